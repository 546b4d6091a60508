#include "core/base/Progress.h"

QString ProgressText::Format() const {
    switch (kind) {
    case Kind::Plain:
        return text;
    case Kind::CountingToken:
        return QStringLiteral("Counting words, please wait... ") + QString::number(a) + u'.' + QString::number(b);
    case Kind::CountingRecord:
        return QStringLiteral("Counting words, please wait... ") + QString::number(a);
    case Kind::SortingLoop:
        return QStringLiteral("Sorting words, loop ") + QString::number(a) + QStringLiteral(" of ") +
               QString::number(b) + QStringLiteral(", please wait... ") + QString::number(c);
    case Kind::WritingRow:
        return QStringLiteral("Writing file: ") + text + QStringLiteral(" (") + QString::number(a) + u')';
    }
    return text;
}
