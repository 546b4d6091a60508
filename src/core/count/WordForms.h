#pragma once

#include "core/count/WordTally.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

struct sb_stemmer;

// The languages of the Snowball stemmers ("english", "german", "russian", ...), sorted.
QStringList StemLanguages();

// One Snowball stemmer. Not for two threads at once.
class Stemmer {
public:
    // Throws Failure naming the language when there is no stemmer for it.
    explicit Stemmer(const QString& language);
    ~Stemmer();
    Stemmer(const Stemmer&) = delete;
    Stemmer& operator=(const Stemmer&) = delete;

    // The stem of a word in lower case (UTF-8).
    QByteArray Stem(QByteArrayView word);

private:
    sb_stemmer* m_stemmer = nullptr;
};

// The spellings of one text grouped by their stem: "analyse", "analysed" and "analyses" are one
// group. A spelling is stemmed in its case-folded form (words of every language by full case
// folding), so a group also joins spellings that differ in letter case.
class WordFormGroups {
public:
    WordFormGroups(const QString& language, bool compatibility);

    void Add(QByteArrayView spelling) { m_spellings.Add(spelling); }

    // Calls visit(QByteArrayView spelling, qint64 count) once for every group, in order of the
    // group's first appearance: its most frequent spelling (of equally frequent ones the
    // binary-smallest) and the sum of its spellings' counts. Then forgets them all.
    template <typename Visit> void Hand(Visit&& visit) {
        std::vector<Group> groups;
        Gather(groups);
        for (const Group& group : groups) {
            visit(group.spelling, group.total);
        }
        m_spellings.Clear();
    }

private:
    struct Group {
        QByteArrayView spelling;
        qint64 best = 0;  // the count of that spelling
        qint64 total = 0; // of all spellings
    };
    void Gather(std::vector<Group>& groups);

    Stemmer m_stemmer;
    bool m_compatibility = false;
    WordTally m_spellings;
};
