#include "support/TestEnv.h"

#include "core/base/Environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <QDirIterator>

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;

bool GiveToNobody(const QString& tree) {
    bool ok = ::lchown(QFile::encodeName(tree).constData(), kNobody, kNobody) == 0;
    QDirIterator it(tree, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        ok = ::lchown(QFile::encodeName(it.next()).constData(), kNobody, kNobody) == 0 && ok;
    }
    return ok;
}

// Removes the file or the folder with everything in it by the bytes of its names, making each
// folder writable and searchable first. Links are removed, never followed.
void RemoveTree(const QByteArray& path) {
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0) {
        return;
    }
    if (!S_ISDIR(info.st_mode)) {
        ::unlink(path.constData());
        return;
    }
    ::chmod(path.constData(), S_IRWXU);
    std::vector<QByteArray> children;
    if (DIR* dir = ::opendir(path.constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..") {
                children.push_back(path + '/' + name);
            }
        }
        ::closedir(dir);
    }
    for (const QByteArray& child : children) {
        RemoveTree(child);
    }
    ::rmdir(path.constData());
}

} // namespace

AsOrdinaryUser::AsOrdinaryUser(const QStringList& openFolders, const QStringList& ownTrees) {
    if (::geteuid() != 0) {
        m_ok = true;
        return;
    }
    bool given = true;
    for (const QString& folder : openFolders) {
        given = ::chmod(QFile::encodeName(folder).constData(), 0755) == 0 && given;
    }
    for (const QString& tree : ownTrees) {
        given = GiveToNobody(tree) && given;
    }
    // Real and effective ids change (the program's own folder is named after the real one); the
    // saved ones stay the super-user's, so that the end can come back.
    const int count = ::getgroups(0, nullptr);
    m_groups.resize(static_cast<size_t>(std::max(count, 0)));
    m_groups.resize(static_cast<size_t>(std::max(::getgroups(count, m_groups.data()), 0)));
    m_group = ::setgroups(0, nullptr) == 0 && ::setresgid(kNobody, kNobody, 0) == 0;
    m_user = m_group && ::setresuid(kNobody, kNobody, 0) == 0;
    m_ok = given && m_user;
}

AsOrdinaryUser::~AsOrdinaryUser() {
    // A test that cannot become root again must not go on as someone else.
    if (m_user && ::setresuid(0, 0, 0) != 0) {
        std::abort();
    }
    if (m_group && (::setresgid(0, 0, 0) != 0 || ::setgroups(m_groups.size(), m_groups.data()) != 0)) {
        std::abort();
    }
}

IsolatedEnvironment::IsolatedEnvironment() {
    QDir().mkpath(Temp());
    QDir().mkpath(Config());
    QDir().mkpath(Data());
    QDir().mkpath(Work());
    Set("TEMP", Temp());
    Set("XDG_CONFIG_HOME", Config());
    Set("XDG_DATA_HOME", Data());
    Set("XDG_CACHE_HOME", Cache());
    Set("HOME", Root());
    Set("LEXITALLY_APP_DIR", TestAppDir());
}

IsolatedEnvironment::~IsolatedEnvironment() {
    for (const auto& [name, saved] : m_saved) {
        if (saved.first) {
            qputenv(name.constData(), saved.second);
        } else {
            qunsetenv(name.constData());
        }
    }
    UseEnvironment(ReadEnvironment());
    // Removed here rather than by QTemporaryDir: tests leave read-only folders and names that
    // are not UTF-8, which Qt cannot spell again to remove them.
    RemoveTree(QFile::encodeName(m_dir.path()));
}

void IsolatedEnvironment::Set(const char* name, const QString& value) {
    const QByteArray key(name);
    if (m_saved.find(key) == m_saved.end()) {
        m_saved[key] = {qEnvironmentVariableIsSet(name), qgetenv(name)};
    }
    if (value.isEmpty()) {
        qunsetenv(name);
    } else {
        qputenv(name, value.toUtf8());
    }
    UseEnvironment(ReadEnvironment());
}

QString IsolatedEnvironment::Private() const {
    return Temp() + QStringLiteral("/lexitally-") + QString::number(::getuid());
}

QString TestAppDir() {
    return QStringLiteral(LEXITALLY_TEST_APP_DIR);
}

QString TestBinDir() {
    return QStringLiteral(LEXITALLY_TEST_BIN_DIR);
}

QString WriteTextFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
    }
    return path;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString DatabaseIntegrity(const QString& path) {
    const QString name = QStringLiteral("test-integrity");
    QString verdict;
    {
        QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        c.setDatabaseName(path);
        c.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QSqlQuery q(c);
        if (!c.open() || !q.exec(QStringLiteral("PRAGMA integrity_check"))) {
            verdict = c.lastError().text() + q.lastError().text();
        } else {
            while (q.next()) {
                verdict += q.value(0).toString();
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return verdict;
}
