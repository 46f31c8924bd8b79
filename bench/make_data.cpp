// Writes the benchmark's game folder: half incompressible bytes, half
// text-like lines, in files of mixed sizes across nested folders.
//   bench_make_data FOLDER MIB
// or COUNT small files of 100 to 1,000 bytes, 100 to a folder, as games ship
// tens of thousands of them:
//   bench_make_data FOLDER --small COUNT
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// xorshift64*: fast, and the same data on every run.
struct Random {
    uint64_t state;
    uint64_t next() {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return state * 2685821657736338717ULL;
    }
};

std::vector<std::string> makeWords(Random& random) {
    static const char kLetters[] = "etaoinshrdlucmfwypvbgkjqxz";
    std::vector<std::string> words;
    for (int i = 0; i < 4000; ++i) {
        std::string word;
        const size_t length = 2 + random.next() % 9;
        for (size_t k = 0; k < length; ++k) {
            // Skewed towards the frequent letters, as in a natural language.
            const uint64_t r = random.next() % 676;
            word += kLetters[(r * r / 676) % 26];
        }
        words.push_back(word);
    }
    return words;
}

void writeText(std::FILE* file, uint64_t size, Random& random,
               const std::vector<std::string>& words) {
    std::string buffer;
    uint64_t written = 0;
    while (written < size) {
        buffer.clear();
        while (buffer.size() < 65536) {
            const size_t words_in_line = 4 + random.next() % 12;
            for (size_t i = 0; i < words_in_line; ++i) {
                // Frequent words often, rare ones seldom.
                const uint64_t r = random.next() % words.size();
                buffer += words[r * r / words.size()];
                buffer += i + 1 == words_in_line ? ".\r\n" : " ";
            }
        }
        const size_t take = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size - written));
        std::fwrite(buffer.data(), 1, take, file);
        written += take;
    }
}

void writeNoise(std::FILE* file, uint64_t size, Random& random) {
    std::vector<uint64_t> block(8192);
    uint64_t written = 0;
    while (written < size) {
        for (auto& word : block) {
            word = random.next();
        }
        const size_t take =
            static_cast<size_t>(std::min<uint64_t>(block.size() * 8, size - written));
        std::fwrite(block.data(), 1, take, file);
        written += take;
    }
}

int writeSmallFiles(const std::filesystem::path& root, uint64_t count) {
    Random random{0x2545F4914F6CDD1DULL};
    std::string bytes;
    for (uint64_t n = 0; n < count; ++n) {
        const auto folder =
            root / ("set" + std::to_string(n / 1000)) / ("f" + std::to_string(n / 100 % 10));
        if (n % 100 == 0) {
            std::filesystem::create_directories(folder);
        }
        bytes.resize(100 + random.next() % 901);
        for (char& c : bytes) {
            c = static_cast<char>(random.next() >> 56);
        }
        const auto path = folder / ("file" + std::to_string(n) + ".dat");
        std::FILE* file = std::fopen(path.string().c_str(), "wb");
        if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
            std::perror(path.string().c_str());
            return 1;
        }
        std::fclose(file);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[2]) == "--small") {
        return writeSmallFiles(argv[1], std::stoull(argv[3]));
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_make_data FOLDER MIB | FOLDER --small COUNT\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const uint64_t half = std::stoull(argv[2]) << 19;
    Random random{0x9E3779B97F4A7C15ULL};
    const auto words = makeWords(random);
    // Sizes from a few bytes to tens of MiB, as in a game: many small files,
    // a few large archives.
    for (int kind = 0; kind < 2; ++kind) {
        uint64_t left = half;
        for (int n = 0; left > 0; ++n) {
            const uint64_t want = n % 7 == 0 ? (24ULL << 20) : (1ULL << (6 + random.next() % 15));
            const uint64_t size = std::min(left, want);
            const auto folder = root / (kind == 0 ? "data" : "text") /
                                ("set" + std::to_string(n % 5)) / (n % 2 == 0 ? "a" : "b");
            std::filesystem::create_directories(folder);
            const auto path = folder / ((kind == 0 ? "pak" : "txt") + std::to_string(n) +
                                        (kind == 0 ? ".bin" : ".txt"));
            std::FILE* file = std::fopen(path.string().c_str(), "wb");
            if (file == nullptr) {
                std::perror(path.string().c_str());
                return 1;
            }
            if (kind == 0) {
                writeNoise(file, size, random);
            } else {
                writeText(file, size, random, words);
            }
            std::fclose(file);
            left -= size;
        }
    }
    return 0;
}
