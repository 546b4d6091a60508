#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <sys/types.h>
#include <vector>

// Points TEMP, XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME and HOME at a fresh temporary folder for as
// long as it lives, so that a test never touches a real user's files. The previous values
// come back when it goes.
class IsolatedEnvironment {
public:
    IsolatedEnvironment();
    ~IsolatedEnvironment();
    IsolatedEnvironment(const IsolatedEnvironment&) = delete;
    IsolatedEnvironment& operator=(const IsolatedEnvironment&) = delete;

    QString Root() const { return m_dir.path(); }
    QString Temp() const { return m_dir.path() + QStringLiteral("/temp"); }
    // The program's own folder inside TEMP: converter link, converted texts, new workbooks.
    QString Private() const;
    QString Config() const { return m_dir.path() + QStringLiteral("/config"); }
    QString Data() const { return m_dir.path() + QStringLiteral("/data"); }
    // Holds the store of converted texts (lexitally/ inside it).
    QString Cache() const { return m_dir.path() + QStringLiteral("/cache"); }
    // A folder for the test's own input files (PDFs, texts), outside the temporary folder.
    QString Work() const { return m_dir.path() + QStringLiteral("/work"); }

    // Sets an environment variable until this environment goes (empty value = unset).
    void Set(const char* name, const QString& value);

private:
    QTemporaryDir m_dir;
    std::map<QByteArray, std::pair<bool, QByteArray>> m_saved;
};

// Acts as the ordinary user nobody for as long as it lives, when the process runs as the
// super-user, whom file permissions do not bind (otherwise it changes nothing). The folders in
// openFolders are opened to everyone (mode 0755); the trees in ownTrees become nobody's with
// everything in them. Ok() is false when the change failed.
class AsOrdinaryUser {
public:
    explicit AsOrdinaryUser(const QStringList& openFolders, const QStringList& ownTrees = {});
    ~AsOrdinaryUser();
    AsOrdinaryUser(const AsOrdinaryUser&) = delete;
    AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;
    bool Ok() const { return m_ok; }

private:
    bool m_ok = false;
    bool m_group = false;
    bool m_user = false;
    std::vector<gid_t> m_groups;
};

// False in a sanitizer build, whose programs reserve more address space than `ulimit -v` allows.
constexpr bool AddressSpaceLimitsWork() {
#ifdef LEXITALLY_SANITIZED
    return false;
#else
    return true;
#endif
}

// The build folder that holds the program's assets.
QString TestAppDir();
// The build folder that holds the executables (lexitally-cli).
QString TestBinDir();

// "ok" for a sound SQLite database file, else what the engine's integrity check said.
QString DatabaseIntegrity(const QString& path);

// Writes a UTF-8 text file (folders created), returns its path.
QString WriteTextFile(const QString& path, const QByteArray& bytes);
QByteArray ReadAll(const QString& path);

// Main of a test program of the core: the QCoreApplication is created inside an isolated
// environment. Window tests use LEXITALLY_GUI_TEST_MAIN (support/GuiTestMain.h).
#define LEXITALLY_TEST_MAIN(TestClass)                                                                                 \
    int main(int argc, char** argv) {                                                                                  \
        IsolatedEnvironment environment;                                                                               \
        QCoreApplication app(argc, argv);                                                                              \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
