// What the main window says of its "More…" menu: the names of its entries, which of its options
// are on (beside the button), and the About box.

#include "core/base/Texts.h"
#include "core/extract/Ocr.h"
#include "gui/Form1.h"

#include <QLocale>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

#include <unicode/uversion.h>

namespace {

// The first line a program writes when asked for its version ("" when it cannot run).
QString FirstLineOf(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput()).section(u'\n', 0, 0).trimmed();
}

QString SqliteVersion() {
    const QString connection = QStringLiteral("about-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString version;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(QStringLiteral(":memory:"));
        if (database.open()) {
            QSqlQuery query(QStringLiteral("select sqlite_version()"), database);
            version = query.next() ? query.value(0).toString() : QString();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return version;
}

// "name version", or the name alone when the version is not known.
QString Component(const QString& name, const QString& version, const QString& what) {
    return QStringLiteral("  \u2022 ") + name + (version.isEmpty() ? QString() : u' ' + version) +
           QStringLiteral(": ") + what;
}

} // namespace

QString OcrLanguageName(const QString& code) {
    static const QHash<QString, QString> kOwnNames{
        {QStringLiteral("chi_sim"), QStringLiteral("Chinese (simplified)")},
        {QStringLiteral("chi_tra"), QStringLiteral("Chinese (traditional)")},
        {QStringLiteral("chi_sim_vert"), QStringLiteral("Chinese (simplified, vertical)")},
        {QStringLiteral("chi_tra_vert"), QStringLiteral("Chinese (traditional, vertical)")},
        {QStringLiteral("jpn_vert"), QStringLiteral("Japanese (vertical)")},
        {QStringLiteral("kor_vert"), QStringLiteral("Korean (vertical)")},
        {QStringLiteral("deu_latf"), QStringLiteral("German (Fraktur)")},
        {QStringLiteral("frk"), QStringLiteral("German (Fraktur)")},
        {QStringLiteral("equ"), QStringLiteral("Mathematics")},
        {QStringLiteral("osd"), QStringLiteral("Orientation and script")},
    };
    if (const auto own = kOwnNames.constFind(code); own != kOwnNames.constEnd()) {
        return own.value();
    }
    const QString base = code.section(u'_', 0, 0);
    const QLocale::Language language =
        QLocale::codeToLanguage(base, QLocale::ISO639Part2 | QLocale::ISO639Part3 | QLocale::ISO639Part1);
    if (language == QLocale::AnyLanguage || language == QLocale::C) {
        return code; // a language Qt does not name: tesseract's own name
    }
    const QString name = QLocale::languageToString(language);
    return base == code ? name : name + QStringLiteral(" (") + code.section(u'_', 1) + u')';
}

QString Form1::MoreOptionsOn() const {
    QStringList on;
    const WordOptions words = ChosenWordOptions();
    if (words.segment) {
        on << QStringLiteral("dictionary words");
    }
    if (words.compatibility) {
        on << QStringLiteral("compatibility forms");
    }
    if (const QAction* forms = WordFormsGroup->checkedAction(); forms && !words.stemLanguage.isEmpty()) {
        on << QStringLiteral("word forms: ") + forms->text();
    }
    if (ActionOcr->isChecked()) {
        QStringList languages;
        for (const QString& code : m_ocrLanguages.split(u'+')) {
            languages << OcrLanguageName(code);
        }
        on << (m_ocrLanguages == QStringLiteral("eng")
                   ? QStringLiteral("OCR")
                   : QStringLiteral("OCR: ") + languages.join(QStringLiteral(", ")));
    }
    if (ActionKeepTexts->isChecked()) {
        on << QStringLiteral("texts kept");
    }
    return on.join(QStringLiteral(" \u00b7 "));
}

void Form1::ShowMoreOptionsOn() {
    const QString on = MoreOptionsOn();
    LabelMoreOptions->setText(on.isEmpty() ? QString() : QStringLiteral("More\u2026: ") + on);
    LabelMoreOptions->setToolTip(on.isEmpty() ? QString()
                                              : QStringLiteral("Options of the More\u2026 menu that are on: ") + on);
    LabelMoreOptions->setVisible(!on.isEmpty());
}

QString Form1::AboutText() const {
    const QString poppler = FirstLineOf(m_converter, {QStringLiteral("-v")}).section(u' ', -1);
    const QString tesseract = FirstLineOf(OcrEngineProgram(), {QStringLiteral("--version")}).section(u' ', -1);
    return ProductTitle() + QStringLiteral(" ") + QStringLiteral(LEXITALLY_VERSION) +
           QStringLiteral("\nMeasures the text of PDF files: word, line and character counts and word "
                          "frequencies.\n\nLicence: MIT (Expat). Copyright 2026 Quorvant.\n\nBuilt with:\n") +
           QStringList{
               Component(QStringLiteral("poppler (pdftotext)"), poppler, QStringLiteral("converts the PDFs")),
               Component(QStringLiteral("Qt"), QString::fromLatin1(qVersion()), QStringLiteral("the windows")),
               Component(QStringLiteral("SQLite"), SqliteVersion(), QStringLiteral("the database method")),
               Component(QStringLiteral("ICU"), QStringLiteral(U_ICU_VERSION),
                         QStringLiteral("letters of every alphabet")),
               Component(QStringLiteral("Snowball (libstemmer)"), QString(), QStringLiteral("word forms")),
               Component(QStringLiteral("Tesseract"),
                         tesseract.isEmpty() ? QStringLiteral("(not installed)") : tesseract,
                         QStringLiteral("reading scanned pages")),
           }
               .join(u'\n');
}

void Form1::ActionAbout_Click() {
    m_ui.Message(AboutText(), QStringLiteral("About ") + ProductTitle(), MsgButtons::Ok, MsgIcon::Information);
}
