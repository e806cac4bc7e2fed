#include "scene/usdc/usdz_package.h"

#include <algorithm>
#include <cstring>

#include "scene/usdc/crate_bytes.h"

namespace tessaryn {

namespace {

constexpr std::uint32_t kLocalHeader = 0x04034b50;
constexpr std::uint32_t kEndOfDirectory = 0x06054b50;
constexpr std::uint64_t kLocalHeaderSize = 30;
constexpr std::uint64_t kDataAlignment = 64;
constexpr std::uint16_t kEncrypted = 1;
constexpr std::uint16_t kSizesAfterData = 8;
constexpr std::uint32_t kZip64Size = 0xFFFFFFFF;
constexpr std::uint64_t kEndRecordSize = 22;
constexpr std::uint64_t kLongestComment = 0xFFFF;

// The layer extensions a package's first entry may have, compared without case.
bool isLayerName(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return extension == "usd" || extension == "usda" || extension == "usdc";
}

struct Entry {
    std::string name;
    std::uint64_t dataAt = 0;
    std::uint64_t size = 0;
};

// The entry whose local header is at `at`; the next header follows its data.
CrateResult readEntry(ByteSource& source, std::uint64_t at, Entry& entry) {
    unsigned char header[kLocalHeaderSize];
    if (!source.readAt(at, header, sizeof header)) {
        if (source.failed()) return crateProblem(CrateProblem::Unreadable);
        return crateDamaged("the package");
    }
    const auto flags = loadLittle<std::uint16_t>(header + 6);
    const auto method = loadLittle<std::uint16_t>(header + 8);
    const auto compressedSize = loadLittle<std::uint32_t>(header + 18);
    const auto size = loadLittle<std::uint32_t>(header + 22);
    const auto nameSize = loadLittle<std::uint16_t>(header + 26);
    const auto extraSize = loadLittle<std::uint16_t>(header + 28);
    entry.name.assign(nameSize, '\0');
    if (!source.readAt(at + kLocalHeaderSize, &entry.name[0], nameSize)) {
        if (source.failed()) return crateProblem(CrateProblem::Unreadable);
        return crateDamaged("the package");
    }
    if (method != 0) return crateProblem(CrateProblem::CompressedEntry, entry.name);
    // A package entry is addressed as "package.usdz[entry]": brackets cannot be named.
    if (entry.name.find_first_of("[]") != std::string::npos)
        return crateProblem(CrateProblem::BadEntryName, entry.name);
    // Sizes given after the data would leave the walk without the next header's place.
    if ((flags & (kEncrypted | kSizesAfterData)) != 0 || compressedSize != size ||
        size == kZip64Size)
        return crateDamaged("the package entry " + entry.name);
    entry.dataAt = at + kLocalHeaderSize + nameSize + extraSize;
    entry.size = size;
    if (entry.dataAt > source.size() || entry.size > source.size() - entry.dataAt)
        return crateDamaged("the package entry " + entry.name);
    return {};
}

// True when the package ends in its end-of-directory record, whose comment reaches the
// last byte: a package cut short anywhere has lost it.
bool endsWhole(ByteSource& source) {
    const std::uint64_t size = source.size();
    if (size < kEndRecordSize) return false;
    const std::uint64_t tail = std::min(size, kEndRecordSize + kLongestComment);
    Bytes bytes;
    if (!readBytes(source, size - tail, tail, bytes)) return false;
    for (std::uint64_t at = tail - kEndRecordSize + 1; at-- > 0;) {
        const unsigned char* record = bytes.data() + at;
        if (loadLittle<std::uint32_t>(record) == kEndOfDirectory &&
            at + kEndRecordSize + loadLittle<std::uint16_t>(record + 20) == tail)
            return true;
    }
    return false;
}

}  // namespace

CrateResult openUsdzRootLayer(ByteSource& source, UsdzRootLayer& root) {
    root = UsdzRootLayer{};
    std::uint32_t signature = 0;
    if (!readWord(source, 0, signature) ||
        (signature != kLocalHeader && signature != kEndOfDirectory)) {
        if (source.failed()) return crateProblem(CrateProblem::Unreadable);
        return crateProblem(CrateProblem::NotPackage);
    }
    // Every pass moves past a header, so the walk ends; it stops at the central directory.
    Entry first;
    bool haveFirst = false;
    for (std::uint64_t at = 0; readWord(source, at, signature) && signature == kLocalHeader;) {
        Entry entry;
        CrateResult result = readEntry(source, at, entry);
        if (!result.ok()) return result;
        at = entry.dataAt + entry.size;
        if (!haveFirst) first = entry;
        haveFirst = true;
    }
    const bool whole = endsWhole(source);
    if (source.failed()) return crateProblem(CrateProblem::Unreadable);
    if (!whole) return crateDamaged("the package, cut short");
    if (!haveFirst || !isLayerName(first.name)) return crateProblem(CrateProblem::NoLayerEntry);

    char head[8] = {};
    const std::size_t headSize = first.size < sizeof head ? static_cast<std::size_t>(first.size)
                                                          : sizeof head;
    if (!source.readAt(first.dataAt, head, headSize)) return crateProblem(CrateProblem::Unreadable);
    if (headSize == 8 && std::memcmp(head, "PXR-USDC", 8) == 0) {
        root.format = UsdzLayerFormat::Crate;
    } else if (headSize >= 5 && std::memcmp(head, "#usda", 5) == 0) {
        root.format = UsdzLayerFormat::Text;
    } else {
        return crateDamaged("the package's layer " + first.name);
    }
    // Packages are to align their data for mapping; this reader copies, so it only warns.
    if (first.dataAt % kDataAlignment != 0)
        root.warnings.push_back({CrateWarningKind::MisalignedData, first.name});
    // The first entry is the layer the package opens as; the others are its assets.
    root.name = first.name;
    root.offset = first.dataAt;
    root.size = first.size;
    source.narrow(root.offset, root.size);
    return {};
}

}  // namespace tessaryn
