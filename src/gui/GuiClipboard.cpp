#include "gui/GuiClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {
constexpr int kAttempts = 1000;
} // namespace

void ClipboardClear() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        return;
    }
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        clipboard->clear();
        if (clipboard->text().isEmpty()) {
            return;
        }
    }
}

bool ClipboardSetText(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        return false;
    }
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        clipboard->setText(text);
        if (clipboard->text() == text) {
            return true;
        }
    }
    return false;
}
