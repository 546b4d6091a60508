// Adding many files at once: the folder scan, dropped files and folders, the bundled samples.

#include "ErrorReport.h"
#include "Form1.h"

void Form1::PushButton4_Click() {}

void Form1::PushButton7_Click() {}

void Form1::ListView1_OLEDragDrop(const QStringList& paths) {
    for (const QString& path : paths) {
        AddFileRow(path);
    }
}
