#pragma once

#include "core/base/Ui.h"

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The message box of the windows. It never grows past the screen: a text too long or too wide
// for it scrolls inside a read-only text area, so OK stays in sight. It is at least wide enough
// to show its caption, OK (or Yes) is the default button, and it opens centred on its owner.
// Its frame has a close box but no minimise or maximise button.
class MessageDialog : public QDialog {
public:
    MessageDialog(QWidget* owner, const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon);

    // Shows the box, waits, and gives the answer: OK, or Yes / No (closing the box is No).
    MsgAnswer Ask();

    // The text as shown: in a label, or (long texts) in a scrolling text area.
    QLabel* TextLabel() const { return m_label; }
    QPlainTextEdit* TextArea() const { return m_area; }
    QPushButton* DefaultButton() const { return m_default; }

    // The room a box may take on the screen of the given window (the primary screen without one).
    static QRect ScreenRoom(const QWidget* window);

private:
    void PlaceOnOwner();

    QWidget* m_owner;
    MsgButtons m_buttons;
    QLabel* m_label = nullptr;
    QPlainTextEdit* m_area = nullptr;
    QDialogButtonBox* m_box = nullptr;
    QPushButton* m_default = nullptr;
    MsgAnswer m_answer = MsgAnswer::Ok;
};
