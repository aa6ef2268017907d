#include "TestSupport.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vornix::test {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/vornix-test-XXXXXX";
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Restore write permission on anything a test locked, so it can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        ::chmod(it->path().c_str(), 0755);
    ::chmod(path_.c_str(), 0755);
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::file(std::string_view name) const {
    return path_ + "/" + std::string(name);
}

std::string TempDir::write(std::string_view name, std::string_view bytes) const {
    std::string p = file(name);
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + p);
    return p;
}

FileSizeLimit::FileSizeLimit(unsigned long long bytes) {
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    savedCur_ = saved.rlim_cur;
    savedMax_ = saved.rlim_max;
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit low = saved;
    low.rlim_cur = bytes;
    if (::setrlimit(RLIMIT_FSIZE, &low) != 0) throw std::runtime_error("cannot set a file-size limit");
}

FileSizeLimit::~FileSizeLimit() {
    rlimit saved{};
    saved.rlim_cur = savedCur_;
    saved.rlim_max = savedMax_;
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler_);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool IgnoresPermissions() {
    return ::geteuid() == 0;
}

std::string CorpusExcerpt(std::string_view name) {
    const std::string path = VORNIX_TEST_DATA_DIR "/corpus/" + std::string(name);
    if (!FileExists(path)) throw std::runtime_error("missing test text " + path);
    return path;
}

std::string UnpackSharedText(const TempDir& dir, std::string_view packed, std::string_view member) {
    const std::string archive = VORNIX_CORPUS_DIR "/" + std::string(packed);
    if (!FileExists(archive)) return {};
    std::string out, command;
    if (member.empty()) {
        std::string name(packed);
        if (name.size() > 3 && name.compare(name.size() - 3, 3, ".xz") == 0) name.resize(name.size() - 3);
        out = dir.file(name);
        command = "xz -dc '" + archive + "' > '" + out + "' 2>/dev/null";
    } else {
        out = dir.file(member);
        command = "tar -xJf '" + archive + "' -C '" + dir.path() + "' '" + std::string(member) + "' 2>/dev/null";
    }
    return std::system(command.c_str()) == 0 && FileExists(out) ? out : std::string();
}

}  // namespace vornix::test
