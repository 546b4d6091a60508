// The main window's option to keep converted texts between sessions, in the "More…" menu.

#include "core/store/TextStore.h"
#include "gui/Form1.h"

namespace {

const QString kKeepTextsKey = QStringLiteral("KeepTexts");

} // namespace

void Form1::BuildStoreOption(QMenu* more) {
    more->addSeparator();
    ActionKeepTexts = more->addAction(QStringLiteral("Keep converted texts"));
    ActionKeepTexts->setObjectName(QStringLiteral("ActionKeepTexts"));
    ActionKeepTexts->setCheckable(true);
    ActionKeepTexts->setToolTip(QStringLiteral("Keep each PDF's converted text in ") + TextStore::DefaultFolder() +
                                QStringLiteral(", so that an unchanged PDF is not converted again, here or by "
                                               "lexitally-cli (texts of protected PDFs are never kept)"));
    connect(ActionKeepTexts, &QAction::triggered, this, [this] {
        if (!KeptTexts()) {
            ActionKeepTexts->setChecked(false);
        }
        m_settings.Save(kKeepTextsKey, SettingsStore::BoolText(ActionKeepTexts->isChecked()));
    });
}

void Form1::RestoreStoreOption() {
    // Opened when first needed: a store that cannot be used is named then.
    ActionKeepTexts->setChecked(SettingsStore::ReadBool(m_settings.Get(kKeepTextsKey, QStringLiteral("False"))));
}

TextStore* Form1::KeptTexts() {
    if (!ActionKeepTexts->isChecked()) {
        m_store.reset();
    } else if (!m_store) {
        QString note;
        m_store = TextStore::Open(TextStore::DefaultFolder(), TextStore::LimitFromEnvironment(), note);
        if (m_store) {
            m_store->SetVariant(ConverterVariant(m_converter));
            if (m_store->Variant().isEmpty()) {
                note = QStringLiteral("the converter does not say its version");
                m_store.reset();
            }
        }
        if (!m_store) {
            m_ui.Message(QStringLiteral("Converted texts cannot be kept: ") + note + u'.', m_appTitle, MsgButtons::Ok,
                         MsgIcon::Exclamation);
            ActionKeepTexts->setChecked(false);
            m_settings.Save(kKeepTextsKey, SettingsStore::BoolText(false));
        }
    }
    if (m_cache) {
        m_cache->SetStore(m_store.get());
    }
    return m_store.get();
}

void Form1::TrimKeptTexts() {
    if (m_store) {
        m_store->Trim();
    }
}
