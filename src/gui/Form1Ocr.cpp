// The main window's option to read scanned pages by OCR, in the "More…" menu.

#include "core/base/Texts.h"
#include "core/extract/Ocr.h"
#include "gui/Form1.h"

namespace {

const QString kOcrKey = QStringLiteral("Ocr");
const QString kOcrLanguagesKey = QStringLiteral("OcrLanguages");
const QString kDefaultOcrLanguages = QStringLiteral("eng");

// A problem as the window says it: a sentence.
QString Sentence(const QString& text) {
    return text.left(1).toUpper() + text.mid(1) + u'.';
}

} // namespace

void Form1::BuildOcrOptions(QMenu* more) {
    more->addSeparator();
    ActionOcr = more->addAction(QStringLiteral("Read scanned pages with OCR"));
    ActionOcr->setObjectName(QStringLiteral("ActionOcr"));
    ActionOcr->setCheckable(true);
    ActionOcr->setToolTip(QStringLiteral("Read the files that give no text (scanned pages) with tesseract"));
    MenuOcrLanguages = more->addMenu(QStringLiteral("OCR languages"));
    MenuOcrLanguages->setObjectName(QStringLiteral("MenuOcrLanguages"));
}

void Form1::ConnectOcrOptions() {
    // Only the user's own tick is checked at once; a stored one is checked at Start.
    connect(ActionOcr, &QAction::triggered, this, [this] { ActionOcr_Click(); });
    connect(MenuOcrLanguages, &QMenu::aboutToShow, this, [this] { FillOcrLanguages(); });
}

void Form1::RestoreOcrOptions() {
    const QString languages = m_settings.Get(kOcrLanguagesKey, kDefaultOcrLanguages);
    m_ocrLanguages = ValidOcrLanguages(languages) ? languages : kDefaultOcrLanguages;
    ActionOcr->setChecked(SettingsStore::ReadBool(m_settings.Get(kOcrKey, QStringLiteral("False"))));
}

void Form1::ActionOcr_Click() {
    if (ActionOcr->isChecked() && !OcrUsable()) {
        ActionOcr->setChecked(false);
    }
    m_settings.Save(kOcrKey, SettingsStore::BoolText(ActionOcr->isChecked()));
}

bool Form1::OcrUsable() {
    const QString problem = OcrProblem(m_ocrLanguages, m_converter);
    if (problem.isEmpty()) {
        return true;
    }
    m_ui.Message(Sentence(problem), m_appTitle, MsgButtons::Ok, MsgIcon::Exclamation);
    return false;
}

void Form1::FillOcrLanguages() {
    MenuOcrLanguages->clear();
    const QStringList chosen = m_ocrLanguages.split(u'+');
    QStringList shown = InstalledOcrLanguages();
    if (shown.isEmpty()) {
        MenuOcrLanguages->addAction(QStringLiteral("(tesseract and its languages are not installed)"))
            ->setEnabled(false);
    }
    // A chosen language without data stays in the list, so that it can be unticked.
    for (const QString& language : chosen) {
        if (!shown.contains(language)) {
            shown << language;
        }
    }
    for (const QString& language : std::as_const(shown)) {
        QAction* action = MenuOcrLanguages->addAction(OcrLanguageName(language));
        action->setToolTip(language); // tesseract's name
        action->setCheckable(true);
        action->setChecked(chosen.contains(language));
        action->setData(language);
        connect(action, &QAction::triggered, this, [this, action] {
            QStringList languages;
            for (const QAction* entry : MenuOcrLanguages->actions()) {
                if (entry->isChecked()) {
                    languages << entry->data().toString();
                }
            }
            if (languages.isEmpty()) {
                action->setChecked(true); // one language at least
                return;
            }
            m_ocrLanguages = languages.join(u'+');
            m_settings.Save(kOcrLanguagesKey, m_ocrLanguages);
            ShowMoreOptionsOn();
        });
    }
}

OcrOptions Form1::ChosenOcr() const {
    return {ActionOcr->isChecked(), m_ocrLanguages};
}
