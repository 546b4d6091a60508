#pragma once

#include "core/base/Ui.h"
#include "core/corpus/Dispersion.h"

#include <QByteArray>
#include <QList>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// A file's converted text shown page by page (pages end at form feeds), at one hit of a word:
// its page is shown, scrolled to the hit, every hit on the page marked and the current one more
// strongly. Previous and Next go from hit to hit across pages; Open PDF gives the file to the
// desktop. The text is read once per file and only the page shown is laid out, so that a text of
// thousands of pages opens at once.
class FileView : public QWidget {
public:
    FileView(Ui& ui, QWidget* parent);

    // Shows the file's text at hits[current]; hits are every hit of the word in the file, in text
    // order (only their begin and end are read). Says so when the text cannot be read.
    void ShowHit(const ConvertedText& text, QList<DispersionHit> hits, int current);
    int CurrentHit() const { return m_current; }
    int Hits() const { return static_cast<int>(m_hits.size()); }
    int Page() const { return m_page; } // 1 for the first
    int Pages() const { return static_cast<int>(m_pageStarts.size()); }
    // Sizes the window to the screen of `window` and centres it over that window.
    void PlaceOver(const QWidget* window);

    QLabel* FileLabel = nullptr;
    QPlainTextEdit* Text = nullptr;
    QLabel* PageLabel = nullptr;
    QLabel* HitLabel = nullptr;
    QPushButton* PreviousButton = nullptr;
    QPushButton* NextButton = nullptr;
    QPushButton* OpenButton = nullptr;

private:
    void Go(int hit);
    // The page (1 for the first) that holds a byte of the text.
    int PageOf(qsizetype at) const;

    Ui& m_ui;
    ConvertedText m_text;
    QByteArray m_bytes;
    QList<qsizetype> m_pageStarts; // where each page begins in the text
    QList<DispersionHit> m_hits;
    int m_current = -1;
    int m_page = 0; // the page laid out (0: none)
};
