#pragma once

#include "core/extract/ConverterEnd.h"

#include <QString>

#include <map>
#include <memory>

class BackgroundConversion;
class TextStore;

// Converted texts kept for reuse, so that a PDF is converted once: the readability check's
// conversion serves the run that follows and later checks. An entry belongs to the PDF's
// canonical path (named by TextKey, as the run's texts are), size, modification time and
// password; a changed file is converted again.
// Each entry keeps the converter's text (a file in the folder) and how the converter ended (in
// memory: the cache serves one session).
class ConversionCache {
public:
    // The cache lives in folder (created when missing); "" makes a cache that keeps nothing.
    explicit ConversionCache(QString folder);
    ~ConversionCache();
    ConversionCache(const ConversionCache&) = delete;
    ConversionCache& operator=(const ConversionCache&) = delete;

    bool Enabled() const { return !m_folder.isEmpty(); }
    // Backs the cache with the store of converted texts kept between sessions (null: none). A
    // lookup that finds no entry takes the stored text of an unchanged PDF; a whole text the
    // converter gave is kept there. Texts opened with a password never go in or out.
    void SetStore(TextStore* store) { m_store = store; }
    // Where the converter writes the text of this entry.
    QString TextPath(const QString& pdf, const QString& password) const;
    // Records how the converter ended for the text at TextPath.
    void Store(const QString& pdf, const QString& password, const ConverterEnd& end);
    // True with the converter's end when the entry exists; the text (when the converter wrote
    // one) is at TextPath.
    bool Lookup(const QString& pdf, const QString& password, ConverterEnd& end) const;
    // Puts the entry's text at target (removing a stale target; a second name for the file where
    // the folder allows it, else a copy) and gives the converter's end; false when there is no
    // entry or the text could not be put there.
    bool Restore(const QString& pdf, const QString& password, const QString& target, ConverterEnd& end) const;
    // Removes every entry of the PDF (all passwords, all versions).
    void Forget(const QString& pdf);
    void Clear();

    // A conversion still writing the entry's text at TextPath, left by a readability check that
    // ended before it could record it: whoever next needs the entry takes it over (and records
    // its end with Store), so that the file is not converted again meanwhile.
    void HandOver(const QString& pdf, const QString& password, std::unique_ptr<BackgroundConversion> conversion);
    // The conversion handed over for the entry, or null.
    std::unique_ptr<BackgroundConversion> TakeOver(const QString& pdf, const QString& password);
    // Ends the conversions handed over that nobody took (one that has ended is recorded); true
    // when there were any.
    bool EndHandedOver();

private:
    QString Stem(const QString& pdf, const QString& password) const;
    void Record(const QString& pdf, const QString& password, const ConverterEnd& end) const;
    bool TakeFromStore(const QString& pdf, const QString& password, ConverterEnd& end) const;

    QString m_folder;
    TextStore* m_store = nullptr;
    mutable std::map<QString, ConverterEnd> m_ends; // by Stem
    struct HandedOver {
        QString pdf;
        QString password;
        std::unique_ptr<BackgroundConversion> conversion;
    };
    std::map<QString, HandedOver> m_handedOver; // by Stem
};
