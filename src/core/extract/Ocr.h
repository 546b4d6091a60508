#pragma once

#include "core/base/Yield.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class ConverterProcesses;

// Reading scanned pages: each page is rendered by poppler's page renderer (pdftoppm) into a grey
// image of 300 dpi and read by the OCR engine (tesseract). Both run as child processes, several
// pages at once, each listed with the owner's running converters so that a stop, a closed window
// or a signal ends them too.

// Whether a run reads scanned pages, and in which languages.
struct OcrOptions {
    bool enabled = false;
    QString languages = QStringLiteral("eng"); // the engine's language names joined by "+"
};

// The OCR engine: $LEXITALLY_TESSERACT when set and not empty, else tesseract on the search path
// ("" when there is none).
QString OcrEngineProgram();
// The page renderer: $LEXITALLY_PDFTOPPM when set and not empty, else pdftoppm beside the
// converter, else on the search path ("" when there is none).
QString PageRendererProgram(const QString& converter = {});

// True for a list of language names (letters, digits, "_" and "/": eng, chi_sim, script/Latin)
// joined by "+".
bool ValidOcrLanguages(const QString& languages);
// The Debian package that holds a language's data: tesseract-ocr- + the name in lower case with
// "_" and "/" as "-" (deu → tesseract-ocr-deu, chi_sim → tesseract-ocr-chi-sim).
QString OcrLanguagePackage(const QString& language);

// The languages the engine has data for, as it lists them (its orientation data "osd" left out);
// empty when it cannot be run.
QStringList InstalledOcrLanguages(const QString& engine = {});

// Why OCR in these languages cannot run, naming what to install ("" when it can): a list that is
// no list of languages, no engine, no renderer, or a language without data. Runs the engine once.
QString OcrProblem(const QString& languages, const QString& converter = {});

// Where the OCR of a run takes place.
struct OcrPlace {
    QString engine;    // "" = OcrEngineProgram()
    QString renderer;  // "" = PageRendererProgram(converter)
    QString converter; // the run's converter: the page renderer and page counter beside it are used
    QString languages = QStringLiteral("eng");
    QString workFolder; // the page images go into a folder of their own in it ("" = the temporary folder)
    ConverterProcesses* running = nullptr; // where every running renderer and engine is listed
    int jobs = 1;                          // pages read at once
};

// What reading pages by OCR gave.
struct OcrPages {
    QList<QByteArray> texts; // the text of each page asked for, in the order asked (UTF-8)
    QString failure;         // why not every page was read ("" when they were)
    bool stopped = false;    // the caller asked to stop: the processes were ended
};

// Called after each page read: pages done of all.
using OcrProgress = std::function<void(int done, int total)>;

// Reads the pages (numbers from 1) of the PDF, up to place.jobs at once, with the password given
// to the renderer as both owner and user password. stop is asked between the polls; when it says
// so the processes are ended. The page images are removed, whatever happens.
OcrPages ReadPagesByOcr(const QString& pdf, const QString& password, const QList<int>& pages, const OcrPlace& place,
                        const Yield& yield, const std::function<bool()>& stop, const OcrProgress& progress = {});

// What reading a whole PDF by OCR gave.
struct OcrResult {
    bool read = false;    // every page read and the text written
    bool stopped = false; // stopped by the caller; nothing was changed
    QString failure;      // why not read ("" when read or stopped)
    int pages = 0;
};

// Reads every page of the PDF by OCR and puts the page texts, in page order and each followed by a
// form feed as the converter ends its pages, into output. The output is replaced only when every
// page was read and the whole text written; otherwise it is left as it was.
OcrResult ReadPdfByOcr(const QString& pdf, const QString& password, const QString& output, const OcrPlace& place,
                       const Yield& yield, const std::function<bool()>& stop, const OcrProgress& progress = {});
