#include "core/extract/ConversionCache.h"

#include "core/extract/Converter.h"
#include "core/extract/TextFiles.h"
#include "core/store/TextStore.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace {

QString Hex(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
}

} // namespace

ConversionCache::ConversionCache(QString folder) : m_folder(std::move(folder)) {
    if (Enabled()) {
        QDir().mkpath(m_folder);
    }
}

ConversionCache::~ConversionCache() = default;

QString ConversionCache::Stem(const QString& pdf, const QString& password) const {
    const QFileInfo info(pdf);
    const QByteArray version =
        QByteArray::number(info.size()) + '|' + QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + '|' +
        QByteArray::number(info.metadataChangeTime().toMSecsSinceEpoch()) + '|' + password.toUtf8();
    return m_folder + u'/' + TextKey(pdf) + u'-' + Hex(version);
}

QString ConversionCache::TextPath(const QString& pdf, const QString& password) const {
    return Enabled() ? Stem(pdf, password) + QStringLiteral(".txt") : QString();
}

void ConversionCache::Record(const QString& pdf, const QString& password, const ConverterEnd& end) const {
    m_ends[Stem(pdf, password)] = end;
}

void ConversionCache::Store(const QString& pdf, const QString& password, const ConverterEnd& end) {
    if (!Enabled()) {
        return;
    }
    Record(pdf, password, end);
    // Only a text that counts goes to the store: whoever restores it takes it as such.
    const QString text = TextPath(pdf, password);
    if (m_store && password.isEmpty() && end == ConverterEnd::Exit(0) &&
        OutcomeOf(text, nullptr) == ExtractionOutcome::TextAvailable) {
        m_store->Keep(pdf, password, QString(), m_store->KeyOf(pdf), text);
    }
}

bool ConversionCache::TakeFromStore(const QString& pdf, const QString& password, ConverterEnd& end) const {
    if (!m_store || !password.isEmpty() || !m_store->Restore(m_store->KeyOf(pdf), password, TextPath(pdf, password))) {
        return false;
    }
    end = ConverterEnd::Exit(0);
    Record(pdf, password, end);
    return true;
}

bool ConversionCache::Lookup(const QString& pdf, const QString& password, ConverterEnd& end) const {
    if (!Enabled()) {
        return false;
    }
    const auto found = m_ends.find(Stem(pdf, password));
    if (found == m_ends.end()) {
        return TakeFromStore(pdf, password, end);
    }
    end = found->second;
    return true;
}

bool ConversionCache::Restore(const QString& pdf, const QString& password, const QString& target,
                              ConverterEnd& end) const {
    if (!Lookup(pdf, password, end)) {
        return false;
    }
    QFile::remove(target);
    const QString text = TextPath(pdf, password);
    if (!QFileInfo::exists(text)) {
        return true; // the converter gave no text: nothing to put in place
    }
    // A second name for the entry's text costs no copy and no new file. Nobody writes through it:
    // a text written at target is a new file (TextFileWriter), and the counting pass only reads
    // and removes it.
    return ::link(QFile::encodeName(text).constData(), QFile::encodeName(target).constData()) == 0 ||
           QFile::copy(text, target);
}

void ConversionCache::Forget(const QString& pdf) {
    if (!Enabled()) {
        return;
    }
    QDir folder(m_folder);
    const QString prefix = TextKey(pdf) + u'-';
    for (const QString& name : folder.entryList({prefix + u'*'}, QDir::Files)) {
        folder.remove(name);
    }
    const QString stems = m_folder + u'/' + prefix;
    for (auto it = m_ends.lower_bound(stems); it != m_ends.end() && it->first.startsWith(stems);) {
        it = m_ends.erase(it);
    }
}

void ConversionCache::Clear() {
    if (!Enabled()) {
        return;
    }
    m_ends.clear();
    QDir folder(m_folder);
    for (const QString& name : folder.entryList(QDir::Files)) {
        folder.remove(name);
    }
}

void ConversionCache::HandOver(const QString& pdf, const QString& password,
                               std::unique_ptr<BackgroundConversion> conversion) {
    if (Enabled() && conversion) {
        m_handedOver[Stem(pdf, password)] = {pdf, password, std::move(conversion)};
    }
}

std::unique_ptr<BackgroundConversion> ConversionCache::TakeOver(const QString& pdf, const QString& password) {
    if (m_handedOver.empty()) {
        return nullptr;
    }
    const auto found = m_handedOver.find(Stem(pdf, password));
    if (found == m_handedOver.end()) {
        return nullptr;
    }
    std::unique_ptr<BackgroundConversion> conversion = std::move(found->second.conversion);
    m_handedOver.erase(found);
    return conversion;
}

bool ConversionCache::EndHandedOver() {
    const bool any = !m_handedOver.empty();
    for (auto& [stem, handed] : m_handedOver) {
        if (handed.conversion->Finished()) {
            const ConverterEnd end = handed.conversion->End();
            if (end.TextWhole()) {
                Store(handed.pdf, handed.password, end);
            }
        }
    }
    m_handedOver.clear(); // the others end their converters as they go
    return any;
}
