// A plain word counter to measure lexitally's counting against: reads one text file, cuts it
// into words as lexitally does (tokens between blanks and line ends; of each token only the
// ASCII letters, in lower case, the ligatures U+FB00-U+FB06 written out as their letters, as
// converters give them for "ff", "fi", ... in real documents), counts them in a
// std::unordered_map and prints "count word", least frequent first, ties in character-code
// order, then the number of words.
//
//   bench_wordcount FILE

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

bool ReadFile(const char* path, std::string& text) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        return false;
    }
    char buffer[1 << 16];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, n);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_wordcount FILE\n");
        return 2;
    }
    std::string text;
    if (!ReadFile(argv[1], text)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    std::unordered_map<std::string, long long, Hash, std::equal_to<>> counts;
    std::string word;
    long long words = 0;
    const auto take = [&] {
        if (word.empty()) {
            return;
        }
        ++words;
        if (const auto found = counts.find(std::string_view(word)); found != counts.end()) {
            ++found->second;
        } else {
            counts.emplace(word, 1);
        }
        word.clear();
    };
    static constexpr const char* kLigatures[] = {"ff", "fi", "fl", "ffi", "ffl", "st", "st"};
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\n' || c == '\r') {
            take();
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            word += static_cast<char>(c | 0x20);
        } else if (c == '\xEF' && i + 2 < text.size() && text[i + 1] == '\xAC' &&
                   static_cast<unsigned char>(text[i + 2]) >= 0x80 && static_cast<unsigned char>(text[i + 2]) <= 0x86) {
            word += kLigatures[static_cast<unsigned char>(text[i + 2]) - 0x80];
            i += 2;
        }
    }
    take();
    std::vector<std::pair<long long, std::string_view>> rows;
    rows.reserve(counts.size());
    for (const auto& [spelling, count] : counts) {
        rows.emplace_back(count, spelling);
    }
    std::sort(rows.begin(), rows.end());
    std::string out;
    for (const auto& [count, spelling] : rows) {
        out += std::to_string(count);
        out += ' ';
        out += spelling;
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::printf("%lld words\n", words);
    return 0;
}
