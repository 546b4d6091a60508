#pragma once

// Text shaped like a converter's output of real documents, for the counting benchmarks: a
// vocabulary of many distinct words (about 200,000 by default) whose frequencies fall off as
// in natural language (Zipf: the word of rank r about 1/r as often as the first), frequent
// words short and rare words long, sentences that start with a capital and carry commas and
// full stops, a few numbers, hyphenated compounds and accented words, lines of about 75
// characters, paragraphs, and a form feed at the end of every page as pdftotext writes it.
// The same seed gives the same text on every machine (own generator, no library
// distributions, whose output may differ between standard libraries).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace bench {

class Random {
public:
    // Seeds next to each other must not give one stream shifted by a step: the seed is mixed.
    explicit Random(std::uint64_t seed) : m_state(Mix(seed ^ 0x5DEECE66DULL)) {}
    std::uint64_t Next() { return Mix(m_state += 0x9E3779B97F4A7C15ULL); } // splitmix64
    double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }

private:
    static std::uint64_t Mix(std::uint64_t z) {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    std::uint64_t m_state;
};

// `distinct` different lower-case words, most frequent first.
inline std::vector<std::string> Vocabulary(int distinct, std::uint64_t seed = 1) {
    static const char* const kOnsets[] = {"",   "b",  "c",  "d",  "f",  "g",  "h",  "j",  "k",  "l",  "m",
                                          "n",  "p",  "r",  "s",  "t",  "v",  "w",  "y",  "z",  "bl", "br",
                                          "ch", "cl", "cr", "dr", "fl", "fr", "gl", "gr", "pl", "pr", "sc",
                                          "sh", "sl", "sm", "sn", "sp", "st", "sw", "th", "tr", "wh", "str"};
    static const char* const kVowels[] = {"a", "e", "i", "o", "u", "y", "ea", "ee", "ai", "ou", "io", "oo", "ie"};
    static const char* const kCodas[] = {"",   "",   "",   "n",  "r",  "s",  "t",  "l",  "d",  "m",
                                         "ng", "st", "nt", "rd", "ck", "sh", "th", "ss", "nd", "ll"};
    static const char* const kAccented[] = {"\xC3\xA9", "\xC3\xA8", "\xC3\xBC", "\xC3\xB6", "\xC3\xA4", "\xC3\xA7"};
    Random random(seed);
    std::unordered_set<std::string> seen;
    std::vector<std::string> words;
    words.reserve(static_cast<size_t>(distinct));
    while (static_cast<int>(words.size()) < distinct) {
        // Rank decides the length: the first words have one syllable, rare ones up to four.
        const double rank = static_cast<double>(words.size() + 1);
        const int most = 1 + static_cast<int>(std::min(3.0, std::log10(rank) * 0.7));
        const int syllables = 1 + random.Below(most);
        std::string word;
        for (int s = 0; s < syllables; ++s) {
            word += kOnsets[random.Below(sizeof(kOnsets) / sizeof(kOnsets[0]))];
            word += kVowels[random.Below(sizeof(kVowels) / sizeof(kVowels[0]))];
            word += kCodas[random.Below(sizeof(kCodas) / sizeof(kCodas[0]))];
        }
        if (rank > 50 && random.Below(100) < 2) {
            word.insert(static_cast<size_t>(random.Below(static_cast<int>(word.size()))),
                        kAccented[random.Below(sizeof(kAccented) / sizeof(kAccented[0]))]);
        }
        if (seen.insert(word).second) {
            words.push_back(std::move(word));
        }
    }
    return words;
}

// Draws ranks 0..n-1 with probability proportional to 1/(rank+1)^exponent.
class Zipf {
public:
    Zipf(int n, double exponent) : m_cumulative(static_cast<size_t>(n)) {
        double sum = 0;
        for (int i = 0; i < n; ++i) {
            sum += 1.0 / std::pow(i + 1.0, exponent);
            m_cumulative[static_cast<size_t>(i)] = sum;
        }
    }
    int Draw(Random& random) const {
        const double target = random.Unit() * m_cumulative.back();
        return static_cast<int>(std::upper_bound(m_cumulative.begin(), m_cumulative.end(), target) -
                                m_cumulative.begin());
    }

private:
    std::vector<double> m_cumulative;
};

// About `bytes` bytes of text drawn from `vocabulary`.
inline std::string RealisticText(size_t bytes, const std::vector<std::string>& vocabulary, std::uint64_t seed = 2) {
    Random random(seed);
    const Zipf zipf(static_cast<int>(vocabulary.size()), 1.0);
    std::string text;
    text.reserve(bytes + 256);
    std::string line;
    int linesOnPage = 0;
    int wordsLeftInSentence = 0;
    const auto endLine = [&](bool paragraph) {
        text += line;
        text += '\n';
        line.clear();
        if (paragraph) {
            text += '\n';
        }
        if (++linesOnPage >= 48) {
            text += "\n\f"; // the converter's page end
            linesOnPage = 0;
        }
    };
    while (text.size() < bytes) {
        std::string word;
        const int roll = random.Below(1000);
        if (roll < 8) {
            word = std::to_string(random.Below(roll < 4 ? 100 : 3000));
        } else if (roll < 14) {
            word = vocabulary[static_cast<size_t>(zipf.Draw(random))] + '-' +
                   vocabulary[static_cast<size_t>(zipf.Draw(random))];
        } else {
            word = vocabulary[static_cast<size_t>(zipf.Draw(random))];
        }
        if (wordsLeftInSentence == 0) {
            wordsLeftInSentence = 4 + random.Below(22);
            if (word[0] >= 'a' && word[0] <= 'z') {
                word[0] = static_cast<char>(word[0] - 32);
            }
        } else if (random.Below(100) < 2 && word[0] >= 'a' && word[0] <= 'z') {
            word[0] = static_cast<char>(word[0] - 32); // a name
        }
        if (--wordsLeftInSentence == 0) {
            word += '.';
        } else if (random.Below(100) < 7) {
            word += ',';
        }
        if (!line.empty() && line.size() + 1 + word.size() > 75) {
            endLine(false);
        }
        if (!line.empty()) {
            line += ' ';
        }
        line += word;
        if (wordsLeftInSentence == 0 && random.Below(100) < 12) {
            endLine(true);
        }
    }
    if (!line.empty()) {
        endLine(false);
    }
    return text;
}

} // namespace bench
