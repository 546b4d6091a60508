#include "core/extract/TextFiles.h"

#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "core/base/Paths.h"
#include "core/base/Places.h"
#include "core/base/Ui.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <functional>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr quint64 kOnes = 0x0101010101010101ULL;
constexpr quint64 kHighBits = 0x8080808080808080ULL;
constexpr quint64 kLowBits = 0x7F7F7F7F7F7F7F7FULL;

// How many bytes of w equal c; every byte of w and c must be below 0x80.
inline int CountAsciiByte(quint64 w, unsigned char c) {
    const quint64 x = w ^ (kOnes * c);
    const quint64 nonZero = (x + kLowBits) | x;        // high bit of a byte set where that byte of x is not 0
    const quint64 zeros = (~nonZero & kHighBits) >> 7; // 1 in each byte that equals c
    return static_cast<int>((zeros * kOnes) >> 56);    // the sum of the bytes lands in the top byte
}

inline bool InRange(const unsigned char* p, const unsigned char* end, unsigned char low, unsigned char high) {
    return p < end && *p >= low && *p <= high;
}

// The length of the well-formed UTF-8 sequence that starts at p (lead byte 0x80 or above), or
// 1 when none does: that byte alone then decodes to U+FFFD.
int SequenceLength(const unsigned char* p, const unsigned char* end) {
    const unsigned char c = *p;
    const auto tail = [&](int count) {
        for (int i = 1; i <= count; ++i) {
            if (!InRange(p + i, end, 0x80, 0xBF)) {
                return false;
            }
        }
        return true;
    };
    if (c >= 0xC2 && c <= 0xDF) {
        return tail(1) ? 2 : 1;
    }
    if (c >= 0xE0 && c <= 0xEF) {
        const unsigned char low = c == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = c == 0xED ? 0x9F : 0xBF;
        return InRange(p + 1, end, low, high) && InRange(p + 2, end, 0x80, 0xBF) ? 3 : 1;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        const unsigned char low = c == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = c == 0xF4 ? 0x8F : 0xBF;
        return InRange(p + 1, end, low, high) && InRange(p + 2, end, 0x80, 0xBF) && InRange(p + 3, end, 0x80, 0xBF) ? 4
                                                                                                                    : 1;
    }
    return 1;
}

} // namespace

QString TextFolder(const QString& workFolder) {
    const QString folder = (workFolder.isEmpty() ? TempFolder() : workFolder) + QStringLiteral("/text");
    FailIf(!QDir().mkpath(folder), QStringLiteral("Path not found: ") + folder);
    return folder;
}

QString TextKey(const QString& pdfPath) {
    const QFileInfo info(pdfPath);
    QString key = info.canonicalFilePath();
    if (key.isEmpty()) {
        key = QDir::cleanPath(info.absoluteFilePath());
    }
    return QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex());
}

QString TextFileOf(const QString& pdfPath, const QString& workFolder) {
    return TextFolder(workFolder) + u'/' + TextKey(pdfPath) + QStringLiteral(".txt");
}

QString FileLabel(const QString& pdfPath) {
    return StripExtension(pdfPath) + QStringLiteral(".pdf");
}

QList<ConvertedText> ConvertedTexts(const QStringList& sources, const QStringList& labels, const QString& workFolder) {
    QList<ConvertedText> texts;
    texts.reserve(sources.size());
    for (qsizetype i = 0; i < sources.size(); ++i) {
        texts.append({sources[i], i < labels.size() ? labels[i] : FileLabel(sources[i]),
                      TextFileOf(sources[i], workFolder), QString()});
    }
    return texts;
}

FileBytes::FileBytes(const QString& path) : m_file(path) {
    FailIf(IsFolder(path), QStringLiteral("Permission denied: ") + path);
    const bool opened = m_file.open(QIODevice::ReadOnly);
    FailIf(!opened, m_file.errorString() + QStringLiteral(": ") + path);
    const qint64 size = m_file.size();
    if (size > 0) {
        if (const uchar* mapped = m_file.map(0, size)) {
            m_view = QByteArrayView(reinterpret_cast<const char*>(mapped), size);
            return;
        }
    }
    m_copy = m_file.readAll(); // empty, special or unmappable files
    FailIf(m_file.error() != QFileDevice::NoError, m_file.errorString() + QStringLiteral(": ") + path);
    m_view = m_copy;
}

char32_t NextCharacter(const unsigned char*& p, const unsigned char* end) {
    const unsigned char lead = *p;
    const int length = lead < 0x80 ? 1 : SequenceLength(p, end);
    if (length == 1) {
        ++p;
        return lead < 0x80 ? lead : U'\uFFFD';
    }
    auto c = static_cast<char32_t>(lead & (0xFF >> (length + 1)));
    for (int i = 1; i < length; ++i) {
        c = (c << 6) | (p[i] & 0x3F);
    }
    p += length;
    return c;
}

CharCounts CountCharacters(QByteArrayView text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    qint64 characters = 0;
    qint64 blanks = 0;
#if defined(__SSE2__)
    // Runs of ASCII, 16 bytes at a time: line ends and blanks are counted in byte lanes, summed
    // up at least every 255 blocks.
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i blank = _mm_set1_epi8(' ');
    const auto sum = [](__m128i lanes) {
        const __m128i halves = _mm_sad_epu8(lanes, _mm_setzero_si128());
        return static_cast<qint64>(_mm_cvtsi128_si32(halves) + _mm_extract_epi16(halves, 4));
    };
    while (end - p >= 16) {
        __m128i breaks = _mm_setzero_si128();
        __m128i spaces = _mm_setzero_si128();
        int blocks = 0;
        for (; blocks < 255 && end - p >= 16; ++blocks, p += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            if (_mm_movemask_epi8(bytes) != 0) {
                break;
            }
            breaks = _mm_sub_epi8(breaks, _mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)));
            spaces = _mm_sub_epi8(spaces, _mm_cmpeq_epi8(bytes, blank));
        }
        characters += 16 * blocks - sum(breaks);
        blanks += sum(spaces);
        if (blocks < 255 && end - p >= 16) {
            // A block with a byte of 0x80 or above: decode it one character at a time.
            for (const auto* const stop = p + 16; p < stop;) {
                ++characters;
                if (*p < 0x80) {
                    characters -= *p == '\r' || *p == '\n';
                    blanks += *p == ' ';
                    ++p;
                } else {
                    p += SequenceLength(p, end);
                }
            }
        }
    }
#endif
    while (p < end) {
        if (end - p >= 8) {
            quint64 w;
            std::memcpy(&w, p, sizeof w);
            if ((w & kHighBits) == 0) {
                characters += 8 - CountAsciiByte(w, '\r') - CountAsciiByte(w, '\n');
                blanks += CountAsciiByte(w, ' ');
                p += 8;
                continue;
            }
        }
        const unsigned char c = *p;
        if (c < 0x80) {
            if (c != '\r' && c != '\n') {
                ++characters;
                blanks += c == ' ';
            }
            ++p;
        } else {
            ++characters;
            p += SequenceLength(p, end);
        }
    }
    return {characters, characters - blanks};
}

qint64 CountLines(QByteArrayView text) {
    qint64 lines = 0;
    ForEachLine(text, [&lines](QByteArrayView) {
        ++lines;
        return true;
    });
    return lines;
}

QStringList ReadLinesFSO(const QString& path) {
    const FileBytes bytes(path);
    QStringList lines;
    ForEachLine(bytes.View(), [&lines](QByteArrayView line) {
        lines.append(QString::fromUtf8(line));
        return true;
    });
    return lines;
}

namespace {

// AppendFileFSO's steps; the source is read at step 102 by `read`, which gives its bytes.
void AppendLines(const QString& target, const std::function<QByteArrayView()>& read, Ui* ui) {
    ErrorReport steps(ui, QString::fromLatin1(Source::AppendFile));
    QFile out(target);
    std::optional<QByteArrayView> in;
    // The report names the system's reason and the file; so does the failure's file problem.
    const auto failIf = [&out, &target](bool failed, const char* what) {
        if (failed) {
            throw Failure(out.errorString() + QStringLiteral(": ") + target,
                          {target, QString::fromLatin1(what), out.errorString()});
        }
    };
    steps(100, [&] {
        // Unbuffered: a write that fails says why at once.
        const bool opened = out.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
        failIf(!opened, "cannot be opened");
    });
    steps(102, [&] { in = read(); });
    steps(104, [&] {
        if (!out.isOpen() || !in) {
            return; // already reported
        }
        constexpr qsizetype kChunk = 1 << 20;
        QByteArray buffer;
        buffer.reserve(kChunk + 4096);
        const auto flush = [&] {
            // A short write is tried again for the rest, which then fails with the reason.
            for (qsizetype done = 0; done < buffer.size();) {
                const qint64 written = out.write(buffer.constData() + done, buffer.size() - done);
                failIf(written <= 0, "cannot be written");
                done += written;
            }
            buffer.clear();
        };
        if (in->isEmpty()) {
            return;
        }
        ForEachLine(*in, [&](QByteArrayView line) {
            buffer.append(line);
            buffer.append("\r\n", 2);
            if (buffer.size() >= kChunk) {
                flush();
            }
            return true;
        });
        flush();
    });
    steps(106, [&] {
        if (!out.isOpen()) {
            return;
        }
        out.close();
        failIf(out.error() != QFileDevice::NoError, "cannot be written");
    });
}

} // namespace

void AppendFileFSO(const QString& target, const QString& source, Ui* ui) {
    std::optional<FileBytes> in;
    AppendLines(
        target,
        [&] {
            in.emplace(source);
            return in->View();
        },
        ui);
}

void AppendTextFSO(const QString& target, const std::function<QByteArrayView()>& read, Ui* ui) {
    AppendLines(target, read, ui);
}

QByteArrayView TextRead::View() {
    if (!m_tried) {
        m_tried = true;
        try {
            m_bytes.emplace(m_path);
        } catch (const Failure& failure) {
            m_failure = failure.Description();
        }
    }
    FailIf(!m_bytes, m_failure);
    return m_bytes->View();
}

CharCounts CharCountsFSO(TextRead& text, Ui* ui) {
    ErrorReport steps(ui, QString::fromLatin1(Source::CharCount));
    CharCounts counts;
    if (!steps(100, [&] { counts = CountCharacters(text.View()); })) {
        steps(100, [&] { text.View(); }); // the count without the blanks fails alike
    }
    return counts;
}

qint64 CharCountFSO(const QString& path, bool withoutSpaces, Ui* ui) {
    ErrorReport steps(ui, QString::fromLatin1(Source::CharCount));
    std::optional<FileBytes> in;
    qint64 count = 0;
    steps(100, [&] { in.emplace(path); });
    steps(102, [&] {
        if (!in) {
            return; // already reported
        }
        const CharCounts counts = CountCharacters(in->View());
        count = withoutSpaces ? counts.withoutSpaces : counts.withSpaces;
    });
    return count;
}
