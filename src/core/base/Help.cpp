#include "core/base/Help.h"

QString HelpText() {
    return QStringLiteral("This program will:") + QStringLiteral("\r\r") + QStringLiteral("*extract text from a PDF.") +
           QStringLiteral("\r\r") + QStringLiteral("This program will not:") + QStringLiteral("\r\r") +
           QStringLiteral("*extract an image representing text from a PDF (text within an image within a PDF).") +
           QStringLiteral("\r\r") +
           QStringLiteral("Certain PDF files are unreadble by all third-party softwares such as this. Please try this "
                          "software before you purchase.");
}
