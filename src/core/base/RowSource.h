#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// A list as it stands at the moment of each call (the window's file list may change while a run
// or a check yields): its length, and row i (0-based, only below the length). Reading one row
// does not build the whole list.
struct RowSource {
    std::function<qsizetype()> count;
    std::function<QString(qsizetype)> at;

    // A list that does not change.
    static RowSource Of(const QStringList& rows) {
        return {[rows] { return rows.size(); }, [rows](qsizetype i) { return rows.at(i); }};
    }
    // A list built afresh by each call (each row read builds it again: for short lists).
    static RowSource Of(const std::function<QStringList()>& rows) {
        return {[rows] { return rows().size(); }, [rows](qsizetype i) { return rows().at(i); }};
    }
    // Every row as the list stands now.
    QStringList All() const {
        QStringList rows;
        const qsizetype n = count();
        rows.reserve(n);
        for (qsizetype i = 0; i < n; ++i) {
            rows << at(i);
        }
        return rows;
    }
};
