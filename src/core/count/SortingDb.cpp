#include "core/count/SortingDb.h"

#include "core/base/ErrorReport.h"
#include "core/base/Places.h"
#include "core/base/Texts.h"
#include "core/base/Ui.h"
#include "core/count/CountingPass.h"
#include "core/count/WordRule.h"
#include "core/count/WordTally.h"
#include "core/count/WorkingDatabase.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <algorithm>
#include <memory_resource>
#include <optional>
#include <thread>
#include <vector>

namespace {

constexpr qsizetype kMaxWordLength = 255;
constexpr int kJsonBatchRows = 4096;
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
    QString statement = QStringLiteral("INSERT INTO temp.tbWords (Word, Occurrences) VALUES (?,?)");
    for (int i = 1; i < rows; ++i) {
        statement += QStringLiteral(",(?,?)");
    }
    return statement;
}

// The working database of one SortingDB call on its own connection. The words of a text are
// counted in memory while it is walked; when the walk ends, tbWords receives one row per
// spelling with its count, and the engine groups the spellings (ignoring letter case) and
// orders the groups. Once the connection has failed to open it runs no further statement; a
// failure while storing the rows of one text drops that text's rows, reported once.
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
        // The grouped query sorts one row per spelling; the engine may share that sort among
        // helper threads of its own while the query runs (the query is one call either way).
        Execute(m_db, QStringLiteral("PRAGMA threads=") + QString::number(SortThreads()));
        // The rows of this run live in a table of this connection only: a second run at the
        // same time (another window, another process) has its own, and nothing of them reaches
        // the file. It shadows a tbWords of the file, which is never read or written.
        Execute(m_db, QStringLiteral("PRAGMA temp_store=MEMORY"));
        Execute(m_db, QStringLiteral("CREATE TEMP TABLE tbWords (Word TEXT, Occurrences INTEGER)"));
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

    void StartWalk() override { m_tally.Clear(); }

    void Add(QByteArrayView word) override {
        m_tally.Add(word.size() > kMaxWordLength ? CutWord(word, kMaxWordLength) : word);
    }

    // Hands the spellings of the walk, with their counts, to tbWords in one transaction.
    void EndWalk() override {
        if (m_broken || m_textFailed) {
            m_tally.Clear();
            return;
        }
        m_textFailed = true; // until the rows are stored
        const bool begun = m_db.transaction();
        FailIf(!begun, ErrorText(m_db.lastError()));
        QString failure;
        for (const auto& [word, count] : CaseBlindGroups()) {
            if (failure.isEmpty()) {
                failure = Store(word, count);
            }
        }
        if (failure.isEmpty()) {
            failure = Flush();
        }
        m_tally.Clear();
        if (!failure.isEmpty()) {
            m_db.rollback();
            Fail(failure);
        }
        const bool committed = m_db.commit();
        if (!committed) {
            const QString error = ErrorText(m_db.lastError());
            m_db.rollback();
            Fail(error);
        }
        m_textFailed = false;
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
            if (m_in.results) {
                m_in.results->AddRow({m_in.mode == CountMode::PerFile ? label : QString(), group.word, group.count});
            }
            wordCount += group.count;
        }
    }

    void Finish() override {
        m_tally.Clear();
        if (m_name.isEmpty()) {
            return;
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
    // The spellings of the walk grouped as the engine's case-blind grouping groups them: each
    // group with its binary-smallest spelling and the sum of its counts, in order of first
    // appearance. ASCII words are grouped by their lower-case spelling, as the engine's NOCASE
    // does; words of every language by full case folding ("Straße" and "STRASSE" are one group),
    // which joins whatever NOCASE joins and more. The engine then receives one row per group and
    // only orders them.
    std::vector<std::pair<QByteArrayView, qint64>> CaseBlindGroups() const {
        std::vector<std::pair<QByteArrayView, qint64>> groups;
        groups.reserve(m_tally.Size());
        // Keys point into the tally where folding leaves a spelling as it is (most words), and
        // into `folded` where it does not.
        std::pmr::monotonic_buffer_resource folded{1 << 16};
        const auto keep = [&folded](QByteArrayView bytes) {
            char* copy = static_cast<char*>(folded.allocate(static_cast<size_t>(bytes.size()), 1));
            std::copy(bytes.begin(), bytes.end(), copy);
            return QByteArrayView(copy, bytes.size());
        };
        QHash<QByteArrayView, size_t> byFolded;
        byFolded.reserve(static_cast<qsizetype>(m_tally.Size()));
        const bool ascii = m_in.letters != LetterRule::AllLanguages;
        m_tally.ForEach([&](QByteArrayView word, qint64 count) {
            QByteArrayView key = word;
            if (ascii) {
                if (std::any_of(word.begin(), word.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) {
                    key = keep(word.toByteArray().toLower());
                }
            } else if (const QByteArray fold = FoldCaseUtf8(word); fold != word) {
                key = keep(fold);
            }
            const auto found = byFolded.constFind(key);
            if (found == byFolded.cend()) {
                byFolded.insert(key, groups.size());
                groups.emplace_back(word, count);
                return;
            }
            auto& group = groups[found.value()];
            group.second += count;
            if (word < group.first) {
                group.first = word;
            }
        });
        return groups;
    }

    void PrepareInsert() {
        m_insert.emplace(m_db);
        m_jsonBatch =
            m_insertStyle != WordInsert::ValueRows &&
            m_insert->prepare(QStringLiteral("INSERT INTO temp.tbWords (Word, Occurrences) "
                                             "SELECT json_extract(value, '$[0]'), json_extract(value, '$[1]') "
                                             "FROM json_each(?)"));
        if (m_jsonBatch) {
            m_batch.reserve(kJsonBatchRows * 24);
            return;
        }
        FailIf(m_insertStyle == WordInsert::JsonBatch, ErrorText(m_insert->lastError()));
        const bool prepared = m_insert->prepare(ValueRowsStatement(kValueRowsBatch));
        FailIf(!prepared, ErrorText(m_insert->lastError()));
        m_words.resize(kValueRowsBatch);
        m_counts.resize(kValueRowsBatch);
    }

    // Adds one row to the batch, storing the batch when it is full; the failure, or "".
    QString Store(QByteArrayView word, qint64 count) {
        if (m_jsonBatch) {
            // Words are letters and combining marks only, so they need no escaping inside the
            // JSON text.
            m_batch.append(m_batchCount == 0 ? "[[\"" : ",[\"");
            m_batch.append(word);
            m_batch.append("\",");
            m_batch.append(QByteArray::number(count));
            m_batch.append(']');
            return ++m_batchCount == kJsonBatchRows ? Flush() : QString();
        }
        m_words[static_cast<size_t>(m_batchCount)] = QString::fromUtf8(word);
        m_counts[static_cast<size_t>(m_batchCount)] = count;
        return ++m_batchCount == kValueRowsBatch ? Flush() : QString();
    }

    // Stores the rows gathered so far; the failure, or "".
    QString Flush() {
        if (m_batchCount == 0) {
            return {};
        }
        const int rows = m_batchCount;
        m_batchCount = 0;
        QSqlQuery* query = &*m_insert;
        if (m_jsonBatch) {
            m_batch.append(']');
            query->bindValue(0, QString::fromUtf8(m_batch));
            m_batch.clear();
        } else {
            if (rows < kValueRowsBatch) {
                m_rest.emplace(m_db);
                if (!m_rest->prepare(ValueRowsStatement(rows))) {
                    return ErrorText(m_rest->lastError());
                }
                query = &*m_rest;
            }
            for (int i = 0; i < rows; ++i) {
                query->bindValue(2 * i, m_words[static_cast<size_t>(i)]);
                query->bindValue(2 * i + 1, m_counts[static_cast<size_t>(i)]);
            }
        }
        return query->exec() ? QString() : ErrorText(query->lastError());
    }

    // Drops the rest of this text's rows and reports the failure (once per text).
    void Fail(const QString& description) {
        m_batch.clear();
        m_batchCount = 0;
        throw Failure(description);
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
    WordTally m_tally;
    QByteArray m_batch;
    std::vector<QString> m_words;
    std::vector<qint64> m_counts;
    int m_batchCount = 0;
};

} // namespace

QString WordCountQuery() {
    // The rows hold one spelling per case-blind group already (the walk's groups, see
    // CaseBlindGroups), so ordering them is all that is left: by count, then by the spelling
    // with letter case ignored.
    return QStringLiteral("SELECT Occurrences AS WCount, Word FROM temp.tbWords "
                          "ORDER BY Occurrences, Word COLLATE NOCASE");
}

void SortingDB(const PassInputs& inputs) {
    SortingDB(inputs, WordInsert::Auto);
}

void SortingDB(const PassInputs& inputs, WordInsert insert) {
    ErrorReport steps(inputs.ui, QString::fromLatin1(Source::SortingDb));
    DbMethod method(inputs, insert);
    RunCountingPass(inputs, method, steps);
}
