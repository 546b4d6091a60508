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
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <algorithm>
#include <memory>
#include <memory_resource>
#include <thread>
#include <vector>

#include <sqlite3.h>

namespace {

constexpr qsizetype kMaxWordLength = 255;
constexpr int kRowsPerInsert = 64;

void Execute(QSqlDatabase& db, const QString& statement) {
    QSqlQuery query(db);
    const bool done = query.exec(statement);
    FailIf(!done, ErrorText(query.lastError()));
}

int SortThreads() {
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 4);
}

// The engine's own handle of a connection the driver opened. Rows go in and out through it
// as UTF-8 bytes, without a QVariant or a UTF-16 copy per value. The driver must use the very
// engine this program is linked with (on Debian both load the system's libsqlite3).
sqlite3* EngineHandle(const QSqlDatabase& db) {
    const QVariant handle = db.driver()->handle();
    FailIf(!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0,
           QStringLiteral("The database driver gives no SQLite handle."));
    QSqlQuery version(db);
    const QString theirs = version.exec(QStringLiteral("SELECT sqlite_version()")) && version.next()
                               ? version.value(0).toString()
                               : QString();
    const QString ours = QString::fromLatin1(sqlite3_libversion());
    FailIf(theirs != ours, QStringLiteral("The database driver uses SQLite ") + theirs +
                               QStringLiteral(", this program SQLite ") + ours + u'.');
    sqlite3* const engine = *static_cast<sqlite3* const*>(handle.constData());
    FailIf(engine == nullptr, QStringLiteral("The working database is not open."));
    return engine;
}

// One statement storing `rows` rows of tbWords, three values each.
QString InsertStatement(int rows) {
    QString statement = QStringLiteral("INSERT INTO temp.tbWords (Word, Occurrences, Folded) VALUES (?,?,?)");
    for (int i = 1; i < rows; ++i) {
        statement += QStringLiteral(",(?,?,?)");
    }
    return statement;
}

QString EngineError(sqlite3* engine) {
    return QString::fromUtf8(sqlite3_errmsg(engine));
}

struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

Statement Prepare(sqlite3* engine, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_stmt* statement = nullptr;
    const int done = sqlite3_prepare_v2(engine, utf8.constData(), static_cast<int>(utf8.size()), &statement, nullptr);
    Statement kept(statement);
    FailIf(done != SQLITE_OK, EngineError(engine));
    return kept;
}

// The working database of one SortingDB call on its own connection. The words of a text are
// counted in memory while it is walked; when the walk ends, tbWords receives one row per
// spelling with its count, and the engine groups the spellings (ignoring letter case) and
// orders the groups. Once the connection has failed to open it runs no further statement; a
// failure while storing the rows of one text drops that text's rows, reported once.
class DbMethod : public FrequencyMethod {
public:
    explicit DbMethod(const PassInputs& in) : m_in(in) {}
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
        Execute(m_db, QStringLiteral("CREATE TEMP TABLE tbWords (Word TEXT, Occurrences INTEGER, Folded TEXT)"));
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
        const QString failure = Store(CaseBlindGroups());
        m_tally.Clear();
        if (!failure.isEmpty()) {
            m_db.rollback();
            throw Failure(failure);
        }
        const bool committed = m_db.commit();
        if (!committed) {
            const QString error = ErrorText(m_db.lastError());
            m_db.rollback();
            throw Failure(error);
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
            const Statement query = Prepare(m_engine, WordCountQuery());
            int step = SQLITE_ROW;
            while ((step = sqlite3_step(query.get())) == SQLITE_ROW) {
                const auto* word = reinterpret_cast<const char*>(sqlite3_column_text(query.get(), 1));
                const int bytes = sqlite3_column_bytes(query.get(), 1);
                groups.push_back({QString::fromUtf8(word, bytes), sqlite3_column_int64(query.get(), 0)});
            }
            FailIf(step != SQLITE_DONE, EngineError(m_engine));
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
        m_insertOne.reset();
        m_insertMany.reset();
        m_engine = nullptr;
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
        m_engine = EngineHandle(m_db);
        m_insertOne = Prepare(m_engine, InsertStatement(1));
        m_insertMany = Prepare(m_engine, InsertStatement(kRowsPerInsert));
    }

    // Stores the groups, kRowsPerInsert rows a statement; the engine's reason when it refused
    // them, or "". Folded is the spelling with its ASCII letters in lower case: ordering it
    // byte by byte is ordering the spelling as the engine's NOCASE does, without a collating
    // call per comparison.
    QString Store(const std::vector<std::pair<QByteArrayView, qint64>>& groups) {
        std::pmr::monotonic_buffer_resource lowered{1 << 16};
        const auto bind = [&](sqlite3_stmt* insert, int row, QByteArrayView word, qint64 count) {
            QByteArrayView folded = word;
            if (std::any_of(word.begin(), word.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) {
                char* copy = static_cast<char*>(lowered.allocate(static_cast<size_t>(word.size()), 1));
                std::transform(word.begin(), word.end(), copy,
                               [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c; });
                folded = QByteArrayView(copy, word.size());
            }
            sqlite3_bind_text(insert, 3 * row + 1, word.data(), static_cast<int>(word.size()), SQLITE_STATIC);
            sqlite3_bind_int64(insert, 3 * row + 2, count);
            sqlite3_bind_text(insert, 3 * row + 3, folded.data(), static_cast<int>(folded.size()), SQLITE_STATIC);
        };
        const auto run = [&](sqlite3_stmt* insert) {
            const bool done = sqlite3_step(insert) == SQLITE_DONE;
            const QString failure = done ? QString() : EngineError(m_engine);
            sqlite3_reset(insert);
            lowered.release();
            return failure;
        };
        size_t i = 0;
        for (; i + kRowsPerInsert <= groups.size(); i += kRowsPerInsert) {
            for (int row = 0; row < kRowsPerInsert; ++row) {
                bind(m_insertMany.get(), row, groups[i + row].first, groups[i + row].second);
            }
            if (QString failure = run(m_insertMany.get()); !failure.isEmpty()) {
                return failure;
            }
        }
        for (; i < groups.size(); ++i) {
            bind(m_insertOne.get(), 0, groups[i].first, groups[i].second);
            if (QString failure = run(m_insertOne.get()); !failure.isEmpty()) {
                return failure;
            }
        }
        return {};
    }

    const PassInputs& m_in;
    QString m_name;
    QSqlDatabase m_db;
    sqlite3* m_engine = nullptr; // m_db's own handle
    Statement m_insertOne;
    Statement m_insertMany;
    bool m_broken = true;      // no statement runs any more
    bool m_textFailed = false; // the current text's rows are unusable
    WordTally m_tally;
};

} // namespace

QString WordCountQuery() {
    // The rows hold one spelling per case-blind group already (the walk's groups, see
    // CaseBlindGroups), so ordering them is all that is left: by count, then by the spelling
    // with letter case ignored (Folded, the spelling with its ASCII letters in lower case, in
    // byte order: the order of Word COLLATE NOCASE).
    return QStringLiteral("SELECT Occurrences AS WCount, Word FROM temp.tbWords ORDER BY Occurrences, Folded");
}

void SortingDB(const PassInputs& inputs) {
    ErrorReport steps(inputs.ui, QString::fromLatin1(Source::SortingDb));
    DbMethod method(inputs);
    RunCountingPass(inputs, method, steps);
}
