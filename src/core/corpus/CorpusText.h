#pragma once

#include "core/base/Yield.h"
#include "core/count/Pass.h"
#include "core/extract/TextFiles.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>

class ConversionCache;
class ConverterProcesses;
class TextStore;

// The texts of a finished run, read again for the corpus views (words in context, phrases, word
// statistics), and the walk over their words by the run's word rule.

// One file of a run as the corpus views know it.
struct TextSource {
    QString path;     // the PDF (or, for a run over texts, the text itself)
    QString label;    // how the views name it
    QString password; // given to the converter ("" for none)
    bool ocr = false; // the run read it by OCR: read so again when its conversion gives no text
};

// The converted text of one file (core/extract/TextFiles.h); for the corpus views its text is ""
// when the file gave none (reason says why).

// Where the texts come from: the conversions the window keeps (when given), else a conversion
// of its own into workFolder (never beside the PDF). With textInput every path is a UTF-8 text
// and is read as it is.
struct TextPlace {
    ConversionCache* cache = nullptr;
    TextStore* store = nullptr; // converted texts kept between commands (its variant set)
    QString converter;          // "" = the link in the temporary folder
    QString workFolder;         // the caller's own folder for fresh conversions
    bool textInput = false;
    ConverterProcesses* running = nullptr;
    Yield yield;
    // Asked before each file and while OCR reads: when it says so, no file more is read.
    std::function<bool()> stop;
    // How the files the run read by OCR are read again.
    QString ocrLanguages = QStringLiteral("eng");
    int ocrJobs = 1;
    // Told after each file: the files done of all.
    std::function<void(int done, int n)> filesDone;
};

// The converted text of each file of a run, in the order given: the conversion the cache holds
// when it gave text, else the file converted anew; a file the run read by OCR is read by OCR
// again (into workFolder) when its conversion has no text. The texts stay where they are found until
// the caller's folder (or the cache entry) goes. A stop gives the texts read before it.
QList<ConvertedText> RunTexts(const QList<TextSource>& files, const TextPlace& place);

// How the run cut and compared its words: the letter rule, whether letter case was ignored, and
// whether its rows group spellings case-blind and cut words after 255 characters (the database
// method does both).
struct CorpusRule {
    LetterRule letters = LetterRule::Ascii;
    bool ignoreCase = true;
    bool databaseMethod = false;
    // Dictionary words and compatibility forms as the run used them. Word forms are not
    // grouped here: the views find spellings.
    WordOptions words;
};

// One word of a text, as the counting pass hands it to the frequency method (folded when letter
// case is ignored), where it stands as written (byte offsets into the text: from its first letter
// to the end of its last, without the punctuation of its token) and the page it is on (1 for the
// first; every form feed begins a new page).
struct TextWord {
    QByteArrayView word;
    qsizetype begin = 0;
    qsizetype end = 0;
    int page = 1;
};

// Calls onWord for every word of the text in order, cut as the counting pass cuts it: lines,
// then blank-separated tokens, then the rule's words of each token. Common words are not left out.
void ForEachWord(QByteArrayView text, const CorpusRule& rule, const std::function<void(const TextWord&)>& onWord);

// The key under which the run's rows count a word: the word folded when the rows ignore letter
// case (or group case-blind) and cut as the rows cut it. A word from a row gives its own key.
QByteArray WordKey(QByteArrayView word, const CorpusRule& rule);

// False when WordKey(word, rule) is the word as the walk gives it, so that callers can skip
// building the key for most words.
bool KeyDiffers(QByteArrayView word, const CorpusRule& rule);

// The key of a word typed by the user: the single word the rule finds in it; "" when it holds no
// word or more than one.
QByteArray TypedWordKey(const QString& typed, const CorpusRule& rule);
