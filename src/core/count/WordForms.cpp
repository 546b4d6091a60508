#include "core/count/WordForms.h"

#include "core/base/ErrorReport.h"
#include "core/count/WordRule.h"

#include <libstemmer.h>

#include <algorithm>

QStringList StemLanguages() {
    QStringList languages;
    for (const char** name = sb_stemmer_list(); *name; ++name) {
        languages << QString::fromLatin1(*name);
    }
    languages.sort();
    languages.removeDuplicates();
    return languages;
}

Stemmer::Stemmer(const QString& language) {
    const QByteArray name = language.toLatin1();
    m_stemmer = language.isEmpty() ? nullptr : sb_stemmer_new(name.constData(), "UTF_8");
    FailIf(!m_stemmer, QStringLiteral("no stemmer for the language \"") + language + QStringLiteral("\" (one of ") +
                           StemLanguages().join(QStringLiteral(", ")) + QStringLiteral(")"));
}

Stemmer::~Stemmer() {
    sb_stemmer_delete(m_stemmer);
}

QByteArray Stemmer::Stem(QByteArrayView word) {
    const sb_symbol* const stem =
        sb_stemmer_stem(m_stemmer, reinterpret_cast<const sb_symbol*>(word.data()), static_cast<int>(word.size()));
    if (!stem) { // out of memory: the word is its own group
        return word.toByteArray();
    }
    return QByteArray(reinterpret_cast<const char*>(stem), sb_stemmer_length(m_stemmer));
}

WordFormGroups::WordFormGroups(const QString& language, bool compatibility)
    : m_stemmer(language), m_compatibility(compatibility) {}

void WordFormGroups::Gather(std::vector<Group>& groups) {
    QHash<QByteArray, size_t> byStem;
    byStem.reserve(static_cast<qsizetype>(m_spellings.Size()));
    WordOptions fold;
    fold.compatibility = m_compatibility;
    m_spellings.ForEach([&](QByteArrayView spelling, qint64 count) {
        const QByteArray stem = m_stemmer.Stem(FoldWordUtf8(spelling, fold));
        const auto found = byStem.constFind(stem);
        if (found == byStem.cend()) {
            byStem.insert(stem, groups.size());
            groups.push_back({spelling, count, count});
            return;
        }
        Group& group = groups[found.value()];
        group.total += count;
        if (count > group.best || (count == group.best && spelling < group.spelling)) {
            group.spelling = spelling;
            group.best = count;
        }
    });
}
