#include "core/corpus/CorpusText.h"

#include "core/base/Places.h"
#include "core/count/CountingPass.h"
#include "core/count/WordRule.h"
#include "core/extract/ConversionCache.h"
#include "core/extract/Converter.h"
#include "core/extract/Ocr.h"
#include "core/extract/TextFiles.h"
#include "core/store/TextStore.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The database method cuts longer words to this many characters.
constexpr qsizetype kRowWordLimit = 255;

bool IsAsciiLetter(char c) {
    return static_cast<unsigned char>((static_cast<unsigned char>(c) | 0x20) - 'a') < 26;
}

// The words of one token without a form feed, as the counting pass finds them, each with where
// it stands in the token.
template <typename OnWord>
void TokenWords(QByteArrayView token, const CorpusRule& rule, std::vector<QByteArray>& words,
                std::vector<WordSpan>& spans, OnWord&& onWord) {
    if (rule.letters == LetterRule::AllLanguages) {
        AllLanguageWords(token, rule.ignoreCase, words, rule.words, &spans);
        for (size_t i = 0; i < words.size(); ++i) {
            onWord(QByteArrayView(words[i]), spans[i]);
        }
        return;
    }
    WordSpan span;
    QByteArray word = AsciiWord(token, &span);
    if (!word.isEmpty()) {
        if (rule.ignoreCase) {
            word = std::move(word).toLower();
        }
        onWord(QByteArrayView(word), span);
    }
}

} // namespace

namespace {

// The converter's text of the file kept by the store from an earlier command, into the caller's
// folder.
bool RestoreStored(const TextPlace& place, const TextSource& file, ConvertedText& text) {
    if (!place.store || !file.password.isEmpty()) {
        return false;
    }
    const QString output = TextFileOf(file.path, place.workFolder);
    if (!place.store->Restore(place.store->KeyOf(file.path), file.password, output)) {
        return false;
    }
    text.text = output;
    return true;
}

} // namespace

QList<ConvertedText> RunTexts(const QList<TextSource>& files, const TextPlace& place) {
    QList<ConvertedText> texts;
    const auto stopped = [&place] { return place.stop && place.stop(); };
    const auto add = [&](const ConvertedText& text) {
        texts << text;
        if (place.filesDone) {
            place.filesDone(static_cast<int>(texts.size()), static_cast<int>(files.size()));
        }
    };
    for (const TextSource& file : files) {
        if (stopped()) {
            break;
        }
        ConvertedText text{file.path, file.label, {}, {}};
        if (place.textInput) {
            if (QFileInfo(file.path).isFile()) {
                text.text = file.path;
            } else {
                text.reason = QStringLiteral("  - not found");
                text.kind = UnreadableKind::NotFound;
            }
            add(text);
            continue;
        }
        ConverterEnd end;
        if (place.cache && place.cache->Lookup(file.path, file.password, end) &&
            end.kind == ConverterEnd::Kind::Exited && end.number == 0 &&
            QFileInfo(place.cache->TextPath(file.path, file.password)).isFile()) {
            text.text = place.cache->TextPath(file.path, file.password);
        } else if (RestoreStored(place, file, text)) {
            // As converted: a scan's text without words is read by OCR below when the run did.
        } else {
            const QByteArray key = place.store ? place.store->KeyOf(file.path) : QByteArray();
            const Extraction done = ConvertPdf(file.path, file.password, nullptr, 0, 0, place.yield, nullptr,
                                               ConversionPlace{place.converter, place.workFolder, place.running});
            const QString output = TextFileOf(file.path, place.workFolder);
            if (QFileInfo(output).isFile()) {
                text.text = output;
                if (place.store &&
                    (done.outcome == ExtractionOutcome::TextAvailable || done.kind == UnreadableKind::NoText)) {
                    place.store->Keep(file.path, file.password, QString(), key, output);
                }
            } else {
                text.reason = done.reason;
                text.kind = done.kind;
            }
        }
        if (file.ocr && !stopped() &&
            (text.text.isEmpty() || OutcomeOf(text.text, nullptr) == ExtractionOutcome::NoText)) {
            // Never into the cache's own text: that stays the converter's.
            const QString output = TextFileOf(file.path, place.workFolder);
            OcrPlace ocr;
            ocr.converter = place.converter.isEmpty() ? ConverterPath() : place.converter;
            ocr.languages = place.ocrLanguages;
            ocr.workFolder = place.workFolder;
            ocr.running = place.running;
            ocr.jobs = place.ocrJobs;
            if (ReadPdfByOcr(file.path, file.password, output, ocr, place.yield, place.stop).read) {
                text.text = output;
                text.reason.clear();
            }
        }
        add(text);
    }
    return texts;
}

void ForEachWord(QByteArrayView text, const CorpusRule& rule, const std::function<void(const TextWord&)>& onWord) {
    std::vector<QByteArray> words;
    std::vector<WordSpan> spans;
    int page = 1;
    const char* const start = text.data();
    ForEachLine(text, [&](QByteArrayView line) {
        const char* p = line.data();
        const char* const end = p + line.size();
        while (p < end) {
            const char* tokenEnd = static_cast<const char*>(std::memchr(p, ' ', static_cast<size_t>(end - p)));
            if (!tokenEnd) {
                tokenEnd = end;
            }
            const QByteArrayView token(p, tokenEnd - p);
            TextWord found;
            qsizetype from = 0; // where the part of the token being cut begins
            const auto deliver = [&](QByteArrayView word, WordSpan span) {
                found.word = word;
                found.begin = (p - start) + from + span.begin;
                found.end = (p - start) + from + span.end;
                onWord(found);
            };
            const auto feeds = static_cast<int>(std::count(token.begin(), token.end(), '\f'));
            if (feeds == 0) {
                found.page = page;
                TokenWords(token, rule, words, spans, deliver);
            } else if (rule.letters == LetterRule::AllLanguages) {
                // A form feed is no letter: it always parts words, so each part has its own page.
                for (int part = 0; part <= feeds; ++part) {
                    const qsizetype feed = token.indexOf('\f', from);
                    const qsizetype to = feed < 0 ? token.size() : feed;
                    found.page = page + part;
                    TokenWords(token.sliced(from, to - from), rule, words, spans, deliver);
                    from = to + 1;
                }
            } else {
                // By the ASCII rule the letters around a form feed stay one word: its first letter
                // tells its page.
                const auto* first = std::find_if(token.begin(), token.end(), IsAsciiLetter);
                found.page = page + static_cast<int>(std::count(token.begin(), first, '\f'));
                TokenWords(token, rule, words, spans, deliver);
            }
            page += feeds;
            p = tokenEnd + 1;
        }
        return true;
    });
}

QByteArray WordKey(QByteArrayView word, const CorpusRule& rule) {
    QByteArray key = rule.databaseMethod && word.size() > kRowWordLimit ? CutWord(word, kRowWordLimit).toByteArray()
                                                                        : word.toByteArray();
    if (rule.ignoreCase || rule.databaseMethod) {
        key = rule.letters == LetterRule::AllLanguages ? FoldCaseUtf8(key) : std::move(key).toLower();
    }
    return key;
}

bool KeyDiffers(QByteArrayView word, const CorpusRule& rule) {
    if (!rule.databaseMethod) {
        return false; // the walk folded it already when letter case is ignored
    }
    if (word.size() > kRowWordLimit) {
        return true;
    }
    if (rule.ignoreCase) {
        return false;
    }
    for (const char c : word) {
        if ((c >= 'A' && c <= 'Z') || static_cast<unsigned char>(c) >= 0x80) {
            return true;
        }
    }
    return false;
}

QByteArray TypedWordKey(const QString& typed, const CorpusRule& rule) {
    const QByteArray text = typed.trimmed().toUtf8();
    QList<QByteArray> found;
    ForEachWord(text, rule, [&found](const TextWord& word) { found << word.word.toByteArray(); });
    return found.size() == 1 ? WordKey(found.first(), rule) : QByteArray();
}
