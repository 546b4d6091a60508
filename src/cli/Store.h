#pragma once

#include "core/extract/Ocr.h"
#include "core/store/TextStore.h"

#include <QStringList>

#include <memory>

// The store of converted texts as the command line uses it: $XDG_CACHE_HOME/lexitally (else
// ~/.cache/lexitally), bounded by $LEXITALLY_CACHE_SIZE (default 1 GiB), on unless --no-cache.

// The store for one command that converts with converter, its variant set; none (said on
// standard error when something is wrong with it) when not wanted or not usable. When the
// command ends it says why the store was turned off, if it was, and trims it.
class CommandStore {
public:
    CommandStore(bool wanted, const QString& converter);
    ~CommandStore();
    CommandStore(const CommandStore&) = delete;
    CommandStore& operator=(const CommandStore&) = delete;
    TextStore* get() const { return m_store.get(); }

private:
    std::unique_ptr<TextStore> m_store;
};

// "lexitally-cli cache [--clear]": shows the store (folder, entries, size, hits) or empties it.
int RunCacheCommand(const QStringList& arguments);
