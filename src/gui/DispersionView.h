#pragma once

#include "core/base/Ui.h"
#include "core/corpus/Dispersion.h"
#include "gui/BackgroundJob.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class FileBytes;
class QImage;
class QLabel;
class QPushButton;
class QScrollArea;

// The strips of the dispersion plot: one row per file, the file's name on the left, a strip as
// long as the file's words with light ticks where its pages begin and a mark per hit, and the
// file's hits and hits per 1,000 words on the right. Only the rows in view are drawn; a strip
// with more hits than pixels gets one mark per pixel column that holds any. Pointing at a mark
// shows the file, the page and the words around the hit; clicking it tells HitClicked.
class DispersionStrips : public QWidget {
    Q_OBJECT
public:
    explicit DispersionStrips(QWidget* parent = nullptr);
    ~DispersionStrips() override;

    void SetDispersion(std::shared_ptr<const Dispersion> dispersion, QList<ConvertedText> texts);
    const Dispersion& Shown() const { return *m_dispersion; }
    int Rows() const { return static_cast<int>(m_dispersion->files.size()); }
    int RowHeight() const { return m_rowHeight; }
    // The strip of a row, in the widget: its left edge stands for the file's first word, its
    // right edge for the end of its last.
    QRect StripRect(int row) const;
    // The hit marked at a point (row and index among the file's hits): the nearest within a few
    // pixels; false when there is none.
    bool HitAt(const QPoint& point, int& row, int& hit) const;
    // Draws the rows that cross `area` (widget coordinates) with painter.
    void Paint(QPainter& painter, const QRect& area) const;
    // The whole plot, every row, at the width shown, below `top` pixels left for a title; a null
    // image when there is not memory enough for one so tall.
    QImage Picture(int top = 0) const;

    QSize sizeHint() const override;

signals:
    // A mark was clicked: the text (index into the texts) and the hit among its file's hits.
    void HitClicked(int text, int hit);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Where a mark of a place (a share of the file's words) is drawn.
    int MarkX(double position) const;
    // The tooltip of a hit: file, page, the words around it.
    QString HitText(int row, int hit) const;

    std::shared_ptr<const Dispersion> m_dispersion = std::make_shared<Dispersion>();
    QList<ConvertedText> m_texts;
    QList<QString> m_counts; // the right-hand text of each row
    int m_rowHeight = 24;
    int m_nameWidth = 120;
    int m_countWidth = 120;
    // The text last read for a tooltip, kept for the next one.
    mutable int m_readText = -1;
    mutable std::unique_ptr<FileBytes> m_bytes;
};

// The dispersion plot window of a word over the texts of a run: the hits are found on a thread
// of their own, then the strips are shown in a scroll area; the picture is saved as PNG or SVG.
class DispersionView : public QWidget {
    Q_OBJECT
public:
    DispersionView(Ui& ui, QWidget* parent);
    ~DispersionView() override;

    // Finds the word (its key under the rule) in the texts and plots it once found.
    void ShowWord(const QList<ConvertedText>& texts, const QByteArray& key, const CorpusRule& rule,
                  const QString& word);
    bool Busy() const { return m_job.Busy(); }
    void WaitForPlot() { m_job.Wait(); }
    // Sizes the window to the screen of `window` and centres it over that window.
    void PlaceOver(const QWidget* window);
    // Ask for a file and save the plot there; true when written.
    bool SavePng();
    bool SaveSvg();

    QLabel* Summary = nullptr;
    QScrollArea* Area = nullptr;
    DispersionStrips* Strips = nullptr;
    QLabel* Status = nullptr;
    QPushButton* PngButton = nullptr;
    QPushButton* SvgButton = nullptr;

signals:
    // A mark was clicked: the text (index into the texts) and the hit among its file's hits.
    void HitClicked(int text, int hit);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void Plot(Dispersion found, const QString& failure);
    bool Save(const QString& title, const QString& filter, const QString& extension,
              const std::function<void(const QString&)>& write);

    Ui& m_ui;
    QString m_word;
    QList<ConvertedText> m_texts;
    BackgroundJob m_job{this};
};
