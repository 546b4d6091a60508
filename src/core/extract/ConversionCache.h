#pragma once

#include "core/extract/ConverterEnd.h"

#include <QString>

// Converted texts kept for reuse, so that a PDF is converted once: the readability check's
// conversion serves the run that follows and later checks. An entry belongs to the PDF's
// canonical path (named by TextKey, as the run's texts are), size, modification time and
// password; a changed file is converted again.
// Each entry keeps the converter's text and how the converter ended.
class ConversionCache {
public:
    // The cache lives in folder (created when missing); "" makes a cache that keeps nothing.
    explicit ConversionCache(QString folder);

    bool Enabled() const { return !m_folder.isEmpty(); }
    // Where the converter writes the text of this entry.
    QString TextPath(const QString& pdf, const QString& password) const;
    // Records how the converter ended for the text at TextPath.
    void Store(const QString& pdf, const QString& password, const ConverterEnd& end);
    // True with the converter's end when the entry exists; the text (when the converter wrote
    // one) is at TextPath.
    bool Lookup(const QString& pdf, const QString& password, ConverterEnd& end) const;
    // Copies the entry's text to target (removing a stale target) and gives the converter's end;
    // false when there is no entry.
    bool Restore(const QString& pdf, const QString& password, const QString& target, ConverterEnd& end) const;
    // Removes every entry of the PDF (all passwords, all versions).
    void Forget(const QString& pdf);
    void Clear();

private:
    QString Stem(const QString& pdf, const QString& password) const;

    QString m_folder;
};
