#pragma once

// tessaly-convert run as a script runs it: in a fresh folder of its own, its streams to and
// from files there, with its status.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <tuple>

namespace tessaly::test {

namespace fs = std::filesystem;

inline std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// `text` as Windows writes "Unicode text": UTF-16 after its byte-order mark.
inline std::string utf16(std::u16string_view text, bool bigEndian = false) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t c : text) {
        const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// A fresh folder holding `files`, removed at the end.
class Folder {
public:
    explicit Folder(std::initializer_list<std::pair<std::string, std::string>> files = {})
        : dir_(fs::temp_directory_path() /
               ("tessaly-cli-" + std::to_string(std::random_device()()))) {
        fs::create_directories(dir_);
        for (const auto& [name, bytes] : files)
            put(name, bytes);
    }
    ~Folder() { fs::remove_all(dir_); }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    void put(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
    }

    // Runs `command` in the folder, "tessaly-convert" standing for the program built; `streams`
    // redirects its output and errors into the files "out" and "err". The status and those two.
    std::tuple<int, std::string, std::string> run(
        std::string command, const std::string& streams = "> out 2> err") const {
        fs::remove(dir_ / "out");
        fs::remove(dir_ / "err");
        std::string program = "\"";
        program.append(fs::absolute(TESSALY_CONVERT).string()).append("\"");
        std::string expanded;
        std::size_t from = 0;
        for (std::size_t at; (at = command.find("tessaly-convert", from)) != std::string::npos;
             from = at + 15)
            expanded.append(command, from, at - from).append(program);
        command = expanded.append(command, from);
#ifdef _WIN32
        // cmd takes the redirections after the command's own, with no brackets around it.
        const std::string line = "cd /d \"" + dir_.string() + "\" && " + command + " " + streams;
        const int status = _wsystem(fs::path(std::u8string(line.begin(), line.end())).c_str());
#else
        // The status through a file: a pipeline's own is its last command's; a closed pipe is
        // the program's to handle, whatever the shell was given.
        const std::string line = "cd '" + dir_.string() + "' && trap '' PIPE && (" + command +
                                 "; echo $? > status) " + streams;
        [[maybe_unused]] const int shell = std::system(line.c_str());
        const int status = std::stoi(slurp(dir_ / "status"));
#endif
        return {status, slurp(dir_ / "out"), slurp(dir_ / "err")};
    }

private:
    fs::path dir_;
};

}  // namespace tessaly::test
