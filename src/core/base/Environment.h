#pragma once

#include <QString>

// What the program takes from its environment. Each program reads it once, at start
// (ReadEnvironment), and hands it to the core with UseEnvironment; the core asks
// CurrentEnvironment() and never reads a variable itself.
struct Environment {
    QString temp;        // TEMP: the folder that holds the private temporary folder
    QString appFolder;   // LEXITALLY_APP_DIR: the application folder
    QString converter;   // LEXITALLY_PDFTOTEXT: the converter
    QString ocrEngine;   // LEXITALLY_TESSERACT: the OCR engine
    QString ocrRenderer; // LEXITALLY_PDFTOPPM: the page renderer for OCR
    QString cacheHome;   // XDG_CACHE_HOME: holds the store of converted texts
    QString storeLimit;  // LEXITALLY_CACHE_SIZE: the store's size limit, as given
    QString password;    // LEXITALLY_PASSWORD: the command line's password for protected PDFs
};

Environment ReadEnvironment();

// The environment in use; until UseEnvironment is called, the one read when first asked.
const Environment& CurrentEnvironment();
void UseEnvironment(Environment environment);
