#include "core/files/RecentDocuments.h"

#include <sys/stat.h>

#include <algorithm>

#include "core/files/Settings.h"

namespace vornix {

namespace {

std::string Key(std::size_t i) {
    return "Recent" + std::to_string(i + 1);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

void RecentDocuments::Add(DocumentSet set) {
    if (set.empty()) return;
    sets_.erase(std::remove(sets_.begin(), sets_.end(), set), sets_.end());
    sets_.insert(sets_.begin(), std::move(set));
    if (sets_.size() > kLimit) sets_.resize(kLimit);
}

void RecentDocuments::Load(const SettingsFile& settings) {
    sets_.clear();
    for (std::size_t i = 0; i < kLimit; ++i) {
        DocumentSet set = DecodeDocumentSet(settings.IniSetting(Key(i)));
        if (!set.empty() && std::find(sets_.begin(), sets_.end(), set) == sets_.end()) sets_.push_back(std::move(set));
    }
}

void RecentDocuments::Save(SettingsFile& settings) const {
    for (std::size_t i = 0; i < kLimit; ++i) {
        if (i < sets_.size())
            settings.IniPut(Key(i), EncodeDocumentSet(sets_[i]));
        else if (settings.IniExists(Key(i)))
            settings.IniPut(Key(i), std::string());
    }
}

bool DocumentSetAvailable(const DocumentSet& set) {
    return std::all_of(set.begin(), set.end(), [](const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    });
}

std::string DocumentSetLabel(const DocumentSet& set) {
    if (set.empty()) return {};
    const std::string& first = set.front();
    const auto slash = first.rfind('/');
    std::string label = slash == std::string::npos ? first : first.substr(slash + 1);
    if (set.size() > 1) label += " and " + std::to_string(set.size() - 1) + " more";
    return label;
}

std::string EncodeDocumentSet(const DocumentSet& set) {
    std::string out;
    for (const std::string& path : set) {
        if (&path != &set.front()) out += '\t';
        for (char c : path) {
            switch (c) {
                case '%':
                    out += "%25";
                    break;
                case '\t':
                    out += "%09";
                    break;
                case '\r':
                    out += "%0D";
                    break;
                case '\n':
                    out += "%0A";
                    break;
                default:
                    out += c;
            }
        }
    }
    return out;
}

DocumentSet DecodeDocumentSet(const std::string& value) {
    DocumentSet set;
    if (value.empty()) return set;
    std::string path;
    for (std::size_t i = 0; i <= value.size(); ++i) {
        if (i == value.size() || value[i] == '\t') {
            // An empty path is no document (a hand-edited line with doubled tabs).
            if (!path.empty()) set.push_back(std::move(path));
            path.clear();
        } else if (value[i] == '%' && i + 2 < value.size() && HexValue(value[i + 1]) >= 0 &&
                   HexValue(value[i + 2]) >= 0) {
            path += static_cast<char>(HexValue(value[i + 1]) * 16 + HexValue(value[i + 2]));
            i += 2;
        } else {
            path += value[i];  // a "%" not followed by two hex digits stands for itself
        }
    }
    return set;
}

}  // namespace vornix
