#include "core/count/SortingDb.h"

#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "core/base/Places.h"
#include "core/base/Texts.h"
#include "core/base/Ui.h"
#include "core/count/CountingPass.h"
#include "core/count/WorkingDatabase.h"
#include "core/extract/TextFiles.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <algorithm>
#include <optional>
#include <thread>
#include <vector>

namespace {

constexpr qsizetype kMaxWordLength = 255;
constexpr int kJsonBatchWords = 4096;
constexpr int kValueRowsBatch = 64;

void Execute(QSqlDatabase& db, const QString& statement) {
    QSqlQuery query(db);
    const bool done = query.exec(statement);
    FailIf(!done, ErrorText(query.lastError()));
}

int SortThreads() {
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 4);
}

QString ValueRowsStatement(int rows) {
    QString statement = QStringLiteral("INSERT INTO temp.tbWords (Word) VALUES (?)");
    for (int i = 1; i < rows; ++i) {
        statement += QStringLiteral(",(?)");
    }
    return statement;
}

// The working database of one SortingDB call on its own connection. Once the connection has
// failed to open (or the file is no database) it runs no further statement; a failure while
// storing the words of one text drops that text's rows (reported once) instead of reporting
// every word.
class DbMethod : public FrequencyMethod {
public:
    DbMethod(const PassInputs& in, WordInsert insert) : m_in(in), m_insertStyle(insert) {}
    ~DbMethod() override { Finish(); }

    void Begin() override {
        m_name = QStringLiteral("lexitally-words-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        m_broken = true; // until the connection is known to work
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        FailIf(!m_db.isValid(), ErrorText(m_db.lastError()));
        // A working database that cannot serve the run is scratch: it is rebuilt, and said so once.
        const QString rebuilt = OpenWorkingDatabase(m_db);
        if (!rebuilt.isEmpty() && m_in.ui) {
            m_in.ui->Message(RebuiltDatabaseText(WorkingDatabasePath(), rebuilt), AppTitle());
        }
        // The grouped query sorts one row per word; the engine may share that sort among helper
        // threads of its own while the query runs (the query is one call either way).
        Execute(m_db, QStringLiteral("PRAGMA threads=") + QString::number(SortThreads()));
        // The words of this run live in a table of this connection only: a second run at the
        // same time (another window, another process) has its own, and nothing of them reaches
        // the file. It shadows a tbWords of the file, which is never read or written.
        Execute(m_db, QStringLiteral("PRAGMA temp_store=MEMORY"));
        Execute(m_db, QStringLiteral("CREATE TEMP TABLE tbWords (Word TEXT)"));
        PrepareInsert();
        m_broken = false;
    }

    void StartFile() override {
        if (m_broken) {
            return;
        }
        m_textFailed = true;
        Execute(m_db, QStringLiteral("DELETE FROM temp.tbWords"));
        m_textFailed = false;
    }

    void StartWalk() override {
        m_batch.clear();
        m_batchCount = 0;
        m_walkError.clear();
        if (m_broken || m_textFailed) {
            return;
        }
        m_textFailed = true;
        const bool begun = m_db.transaction();
        FailIf(!begun, ErrorText(m_db.lastError()));
        m_inTransaction = true;
        m_textFailed = false;
    }

    void Add(QByteArrayView word) override {
        if (m_broken || m_textFailed) {
            return;
        }
        if (word.size() > kMaxWordLength) {
            word = word.first(kMaxWordLength);
        }
        if (m_jsonBatch) {
            // Words are ASCII letters only, so they need no escaping inside the JSON text.
            m_batch.append(m_batchCount == 0 ? "[\"" : ",\"");
            m_batch.append(word);
            m_batch.append('"');
            if (++m_batchCount == kJsonBatchWords) {
                Flush();
            }
        } else {
            m_rows[m_batchCount] = QString::fromLatin1(word);
            if (++m_batchCount == kValueRowsBatch) {
                Flush();
            }
        }
    }

    void EndWalk() override {
        if (!m_broken && !m_textFailed) {
            Flush();
        }
        if (m_inTransaction) {
            m_inTransaction = false;
            if (m_textFailed) {
                m_db.rollback();
            } else if (!m_db.commit()) {
                m_textFailed = true;
                m_walkError = ErrorText(m_db.lastError());
            }
        }
        FailIf(!m_walkError.isEmpty(), m_walkError);
    }

    void Report(const QString& label, qint64& wordCount) override {
        YieldNow(m_in.yield);
        if (m_in.progress) {
            m_in.progress->SetText(QStringLiteral("Sorting words, please wait..."));
        }
        YieldNow(m_in.yield);
        const bool skip = m_broken || m_textFailed;
        m_textFailed = false;
        if (skip) {
            return;
        }
        struct Group {
            QString word;
            qint64 count;
        };
        std::vector<Group> groups;
        {
            QSqlQuery query(m_db);
            query.setForwardOnly(true);
            const bool done = query.exec(WordCountQuery());
            FailIf(!done, ErrorText(query.lastError()));
            while (query.next()) {
                groups.push_back({query.value(1).toString(), query.value(0).toLongLong()});
            }
            FailIf(query.lastError().isValid(), ErrorText(query.lastError()));
        }
        const qint64 n = static_cast<qint64>(groups.size());
        for (qint64 j = 0; j < n; ++j) {
            YieldNow(m_in.yield);
            if (m_in.progress) {
                m_in.progress->SetValue(static_cast<double>(j + 1) / static_cast<double>(n + 1) * 100.0);
                m_in.progress->SetText(ProgressText{ProgressText::Kind::CountingRecord, QString(), j + 1, 0, 0});
            }
            const Group& group = groups[static_cast<size_t>(j)];
            const QString count = QString::number(group.count);
            if (m_in.results) {
                m_in.results->AddRow(m_in.mode == CountMode::PerFile ? QStringList{label, group.word, count}
                                                                     : QStringList{group.word, count});
            }
            wordCount += group.count;
        }
    }

    void Finish() override {
        if (m_name.isEmpty()) {
            return;
        }
        if (m_inTransaction) {
            m_db.rollback();
            m_inTransaction = false;
        }
        m_insert.reset();
        m_rest.reset();
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        m_name.clear();
        m_broken = true;
    }

private:
    void PrepareInsert() {
        m_insert.emplace(m_db);
        m_jsonBatch =
            m_insertStyle != WordInsert::ValueRows &&
            m_insert->prepare(QStringLiteral("INSERT INTO temp.tbWords (Word) SELECT value FROM json_each(?)"));
        if (m_jsonBatch) {
            m_batch.reserve(kJsonBatchWords * 16);
            return;
        }
        FailIf(m_insertStyle == WordInsert::JsonBatch, ErrorText(m_insert->lastError()));
        const bool prepared = m_insert->prepare(ValueRowsStatement(kValueRowsBatch));
        FailIf(!prepared, ErrorText(m_insert->lastError()));
        m_rows.resize(kValueRowsBatch);
    }

    // Stores the words gathered so far. A failure drops the rest of this text's words and is
    // reported once, when the walk ends.
    void Flush() {
        if (m_batchCount == 0) {
            return;
        }
        QSqlQuery* query = &*m_insert;
        if (m_jsonBatch) {
            m_batch.append(']');
            query->bindValue(0, QString::fromLatin1(m_batch));
        } else if (m_batchCount == kValueRowsBatch) {
            for (int i = 0; i < m_batchCount; ++i) {
                query->bindValue(i, m_rows[static_cast<size_t>(i)]);
            }
        } else {
            m_rest.emplace(m_db);
            if (!m_rest->prepare(ValueRowsStatement(m_batchCount))) {
                Fail(ErrorText(m_rest->lastError()));
                return;
            }
            query = &*m_rest;
            for (int i = 0; i < m_batchCount; ++i) {
                query->bindValue(i, m_rows[static_cast<size_t>(i)]);
            }
        }
        if (!query->exec()) {
            Fail(ErrorText(query->lastError()));
        }
        m_batch.clear();
        m_batchCount = 0;
    }

    void Fail(const QString& description) {
        m_textFailed = true;
        m_walkError = description;
        m_batch.clear();
        m_batchCount = 0;
    }

    const PassInputs& m_in;
    const WordInsert m_insertStyle;
    QString m_name;
    QSqlDatabase m_db;
    std::optional<QSqlQuery> m_insert;
    std::optional<QSqlQuery> m_rest;
    bool m_jsonBatch = false;
    bool m_broken = true;      // no statement runs any more
    bool m_textFailed = false; // the current text's rows are unusable
    bool m_inTransaction = false;
    QString m_walkError;
    QByteArray m_batch;
    std::vector<QString> m_rows;
    int m_batchCount = 0;
};

} // namespace

QString WordCountQuery() {
    // Grouping first on the exact spelling keeps the big sort a plain byte comparison; the
    // case-blind groups are then formed from the (few) distinct spellings.
    return QStringLiteral("SELECT SUM(Occurrences) AS WCount, MIN(Spelling) AS Word FROM "
                          "(SELECT COUNT(*) AS Occurrences, Word COLLATE BINARY AS Spelling FROM temp.tbWords "
                          "GROUP BY Word COLLATE BINARY) "
                          "GROUP BY Spelling COLLATE NOCASE "
                          "ORDER BY SUM(Occurrences), MIN(Spelling) COLLATE NOCASE");
}

void SortingDB(const PassInputs& inputs) {
    SortingDB(inputs, WordInsert::Auto);
}

void SortingDB(const PassInputs& inputs, WordInsert insert) {
    ErrorReport steps(inputs.ui, QString::fromLatin1(Source::SortingDb));
    DbMethod method(inputs, insert);
    RunCountingPass(inputs, method, steps);
}
