// The main window's file list: adding through the dialog, removing, clearing and reordering.

#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "gui/Form1.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>

namespace {
const QString kAddFilesTitle = QStringLiteral("Add File(s) - Hold Ctrl to select multiple files");
const QString kPdfFilter = QStringLiteral("PDF Files (*.pdf)|*.pdf|");

QStringList LocalFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    return paths;
}
} // namespace

void Form1::AddFileRow(const QString& path) {
    auto* item = new QTreeWidgetItem(ListView1);
    item->setText(0, path);
}

QStringList Form1::FileListPaths() const {
    QStringList paths;
    paths.reserve(ListView1->topLevelItemCount());
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        paths << ListView1->topLevelItem(i)->text(0);
    }
    return paths;
}

void Form1::PushButton1_Click() {
    ErrorReport steps(m_ui, QString::fromLatin1(Source::AddFilesClick));
    QStringList chosen;
    steps(100, [&] { chosen = m_ui.OpenFiles(kAddFilesTitle, kPdfFilter); });
    steps(102, [&] {
        // Every returned path is added unchanged, in the order the dialog returned them.
        for (const QString& path : chosen) {
            AddFileRow(path);
        }
    });
    steps(104, [&] { CheckReadability(); });
}

void Form1::PushButton6_Click() {
    ErrorReport steps(m_ui, QString::fromLatin1(Source::ClearListClick));
    steps(100, [&] {
        if (!IsBusy()) {
            m_dragRow = nullptr;
            ListView1->clear();
            if (m_cache) {
                m_cache->Clear();
            }
        }
    });
}

void Form1::ListView1_KeyDown(int key) {
    if (key == Qt::Key_Delete) {
        ListView1_DblClick();
    }
}

// Removes the selected row unless the window is busy.
void Form1::ListView1_DblClick() {
    if (ListView1->topLevelItemCount() == 0) {
        return;
    }
    if (IsBusy()) {
        return; // nothing is removed while the window is busy
    }
    const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    QTreeWidgetItem* row = selected.first();
    if (row == m_dragRow) {
        m_dragRow = nullptr;
    }
    const QString path = row->text(0);
    delete row;
    ForgetUnlisted({path});
}

bool Form1::FileListEvent(QObject* watched, QEvent* event) {
    if (watched == ListView1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete) {
            ListView1_KeyDown(key);
            return true;
        }
        return false;
    }
    if (!ListView1 || watched != ListView1->viewport()) {
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        m_isDragging = true;
        // A press beside every row moves nothing: the row of an earlier drag is forgotten.
        if (!ListView1->itemAt(static_cast<QMouseEvent*>(event)->position().toPoint())) {
            m_dragRow = nullptr;
        }
        return false;
    case QEvent::MouseButtonRelease:
        m_isDragging = false;
        ListView1->viewport()->setCursor(Qt::ArrowCursor);
        return false;
    case QEvent::MouseMove: {
        if (!IsBusy()) {
            setCursor(Qt::ArrowCursor);
        }
        if (!m_isDragging) {
            return false;
        }
        const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
        QTreeWidgetItem* under = ListView1->itemAt(pos);
        if (under && m_dragRow && under != m_dragRow && under->text(0) != m_dragRow->text(0)) {
            const QString dragged = m_dragRow->text(0);
            m_dragRow->setText(0, under->text(0));
            under->setText(0, dragged);
            ListView1->setCurrentItem(under);
            m_dragRow = under;
            // Near the top or bottom edge the list scrolls one row further.
            const int zone = std::max(8, ListView1->visualItemRect(under).height());
            if (pos.y() < zone) {
                if (QTreeWidgetItem* above = ListView1->itemAbove(under)) {
                    ListView1->scrollToItem(above);
                }
            } else if (pos.y() > ListView1->viewport()->height() - zone) {
                if (QTreeWidgetItem* below = ListView1->itemBelow(under)) {
                    ListView1->scrollToItem(below);
                }
            }
        }
        // The list's own drag selection stays out of the way while a row is moved.
        return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (LocalFiles(drag->mimeData()).isEmpty()) {
            drag->setDropAction(Qt::IgnoreAction);
            drag->ignore();
        } else {
            drag->acceptProposedAction();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList paths = LocalFiles(drop->mimeData());
        if (paths.isEmpty()) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        ListView1_OLEDragDrop(paths);
        return true;
    }
    default:
        return false;
    }
}
