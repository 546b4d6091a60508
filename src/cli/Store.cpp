#include "cli/Store.h"

#include "cli/CliOptions.h"
#include "cli/ConsoleUi.h"
#include "cli/Signals.h"

#include <cstdio>

namespace {

// The size limit, said once when the environment gives no size.
qint64 StoreLimit() {
    QString problem;
    const qint64 limit = TextStore::LimitFromEnvironment(&problem);
    if (!problem.isEmpty()) {
        PrintError(problem);
    }
    return limit;
}

QString Size(qint64 bytes) {
    if (bytes < 1024 * 1024) {
        return QString::number((bytes + 1023) / 1024) + QStringLiteral(" KiB");
    }
    return QString::number(static_cast<double>(bytes) / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MiB");
}

QString CacheUsage() {
    return QStringLiteral("Usage: lexitally-cli cache [--clear]\n"
                          "Shows the store of converted texts (folder, entries, size, hits), or empties it.\n"
                          "Runs and the corpus commands keep each PDF's converted text there and use it while the\n"
                          "PDF is unchanged; --no-cache turns it off for one command, LEXITALLY_CACHE_SIZE bounds it\n"
                          "(default 1G; 0 keeps nothing new). The text of a PDF opened with a password or\n"
                          "encrypted is never kept.\n"
                          "\n") +
           OptionsHelp(kCacheCommand);
}

} // namespace

CommandStore::CommandStore(bool wanted, const QString& converter) {
    if (!wanted) {
        return;
    }
    QString note;
    m_store = TextStore::Open(TextStore::DefaultFolder(), StoreLimit(), note);
    if (!m_store) {
        PrintError(note);
        return;
    }
    m_store->SetVariant(ConverterVariant(converter, StopSignalled));
    if (m_store->Variant().isEmpty()) {
        m_store.reset();
    }
}

CommandStore::~CommandStore() {
    if (!m_store) {
        return;
    }
    if (!m_store->Usable()) {
        PrintError(m_store->Note());
    }
    m_store->Trim();
}

int RunCacheCommand(const QStringList& arguments) {
    const ParsedArguments parsed = ParseCommandArguments(kCacheCommand, arguments);
    if (parsed.help) {
        return PrintOutput(CacheUsage());
    }
    if (!parsed.options) {
        PrintError(QStringLiteral("cache: ") + parsed.error + QStringLiteral(" (see cache --help)"));
        return 2;
    }
    const bool clear = parsed.options->clear;
    QString note;
    const std::unique_ptr<TextStore> store =
        TextStore::Open(TextStore::DefaultFolder(), TextStore::kDefaultLimit, note);
    if (!store) {
        PrintError(note);
        return 1;
    }
    if (clear) {
        if (!store->Clear()) {
            PrintError(QStringLiteral("cache: some entries of ") + store->Folder() +
                       QStringLiteral(" could not be removed"));
            return 1;
        }
        return 0;
    }
    const TextStore::Stats stats = store->Read();
    const QString text = QStringLiteral("folder\t") + store->Folder() + QStringLiteral("\nentries\t") +
                         QString::number(stats.entries) + QStringLiteral("\nsize\t") + Size(stats.bytes) +
                         QStringLiteral(" (") + QString::number(stats.bytes) + QStringLiteral(" bytes)\nhits\t") +
                         QString::number(stats.hits) + u'\n';
    return PrintOutput(text);
}
