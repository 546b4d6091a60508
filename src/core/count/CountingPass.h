#pragma once

#include "core/count/Pass.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

class ErrorReport;

// What a word-frequency method plugs into the counting pass. The pass calls, in this order:
// Begin once; per text (the combined text in all-files mode, each file's text in per-file
// mode) StartFile (per-file mode only), StartWalk, Add for every accepted word, EndWalk and
// Report; Finish once at the end. Each call runs as one step of the caller's error report.
class FrequencyMethod {
public:
    virtual ~FrequencyMethod() = default;
    // Before the counting mode is looked at.
    virtual void Begin() = 0;
    // Per-file mode: before the words of a file, so that its table holds that file's words only.
    virtual void StartFile() = 0;
    virtual void StartWalk() {}
    // One accepted word: 1 or more letters, UTF-8 (ASCII letters only by the ASCII rule). Called
    // for every token, so keep it cheap.
    virtual void Add(QByteArrayView word) = 0;
    virtual void EndWalk() {}
    // Sorts and reports the words gathered since the last StartFile/Begin as result rows
    // (per-file mode: each row begins with label) and adds their counts to wordCount.
    virtual void Report(const QString& label, qint64& wordCount) = 0;
    // After the totals have been handed over.
    virtual void Finish() {}
};

// The counting pass shared by both frequency methods: takes the texts of the listed files as
// extraction handed them over (each read once, then deleted), counts characters and lines, cuts the lines into words
// for the method and hands over the totals. Steps that fail are reported through `steps` (the calling method's report).
void RunCountingPass(const PassInputs& inputs, FrequencyMethod& method, ErrorReport& steps);

// The four count captions: " Word count: N", " Line Count: N",
// " Character Count With Spaces: N", " Character Count Without Spaces: N".
QStringList CountCaptions(const Totals& totals);

// The word of one token (no blank inside) by the ASCII rule, letter case kept; span (when given)
// gets where it stands: from its first letter to the end of its last.
QByteArray AsciiWord(QByteArrayView token, WordSpan* span = nullptr);
