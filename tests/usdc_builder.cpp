#include "usdc_builder.h"

#include "usdc_support.h"

namespace usdc_testing {

using tessaryn::CrateType;

std::string encodeIntegers(const std::vector<std::uint32_t>& values) {
    if (values.empty()) return {};
    std::string out = le<std::uint32_t>(0);
    out += std::string((2 * values.size() + 7) / 8, static_cast<char>(0xFF));
    std::uint32_t previous = 0;
    for (const std::uint32_t value : values) {
        out += le<std::uint32_t>(value - previous);
        previous = value;
    }
    return out;
}

std::string compressedList(const std::vector<std::uint32_t>& values) {
    const std::string blob = '\0' + lz4Literals(encodeIntegers(values));
    return le<std::uint64_t>(blob.size()) + blob;
}

CrateBuilder::CrateBuilder(unsigned minor, unsigned major) : minor_(minor), major_(major) {
    nodes_.push_back({UINT32_MAX, 0, false, {}});
}

std::uint32_t CrateBuilder::token(const std::string& text) {
    for (std::size_t i = 0; i < tokens_.size(); ++i)
        if (tokens_[i] == text) return static_cast<std::uint32_t>(i);
    tokens_.push_back(text);
    return static_cast<std::uint32_t>(tokens_.size() - 1);
}

std::uint32_t CrateBuilder::string(const std::string& text) {
    strings_.push_back(token(text));
    return static_cast<std::uint32_t>(strings_.size() - 1);
}

std::uint32_t CrateBuilder::path(std::uint32_t parent, const std::string& element, bool property) {
    nodes_.push_back({parent, token(element), property, {}});
    const auto index = static_cast<std::uint32_t>(nodes_.size() - 1);
    nodes_[parent].children.push_back(index);
    return index;
}

std::uint64_t CrateBuilder::place(const std::string& bytes) {
    const std::uint64_t at = 88 + values_.size();
    values_ += bytes;
    return at;
}

void CrateBuilder::spec(std::uint32_t path, tessaryn::CrateSpecType type,
                        const std::vector<std::pair<std::string, std::uint64_t>>& fields) {
    specs_.push_back({path, static_cast<std::uint32_t>(fieldSets_.size()),
                      static_cast<std::uint32_t>(type)});
    for (const auto& [name, value] : fields) {
        fields_.push_back({token(name), value});
        fieldSets_.push_back(static_cast<std::uint32_t>(fields_.size() - 1));
    }
    fieldSets_.push_back(UINT32_MAX);
}

std::uint64_t CrateBuilder::tokenRep(const std::string& text) {
    return rep(CrateType::Token, token(text), kInlined);
}

std::uint64_t CrateBuilder::tokenVector(const std::vector<std::string>& texts) {
    std::string bytes = le<std::uint64_t>(texts.size());
    for (const std::string& text : texts) bytes += le<std::uint32_t>(token(text));
    return rep(CrateType::TokenVector, place(bytes));
}

std::uint64_t CrateBuilder::specifier(unsigned value) {
    return rep(CrateType::Specifier, value, kInlined);
}

std::uint64_t CrateBuilder::intArray(const std::vector<std::int32_t>& values) {
    std::string bytes = arrayHeader(values.size());
    for (const std::int32_t value : values) bytes += le<std::int32_t>(value);
    return rep(CrateType::Int, place(bytes), kArray);
}

std::string CrateBuilder::arrayHeader(std::uint64_t count) const {
    if (minor_ >= 7) return le<std::uint64_t>(count);
    const std::string count32 = le<std::uint32_t>(static_cast<std::uint32_t>(count));
    return minor_ >= 5 ? count32 : le<std::uint32_t>(1) + count32;
}

void CrateBuilder::preorder(std::uint32_t node, std::vector<std::uint32_t>& order) const {
    order.push_back(node);
    for (const std::uint32_t child : nodes_[node].children) preorder(child, order);
}

// The oldest layout's stream of 16-byte headers; a node with a child and a sibling is
// followed by the sibling's file offset, known once its children are written.
std::string CrateBuilder::legacyPaths(std::uint64_t sectionStart) const {
    std::string out = le<std::uint64_t>(nodes_.size());
    struct Writer {
        const CrateBuilder& builder;
        std::string& out;
        std::uint64_t start;
        void chain(const std::vector<std::uint32_t>& siblings) {
            for (std::size_t i = 0; i < siblings.size(); ++i) {
                const Node& node = builder.nodes_[siblings[i]];
                const bool child = !node.children.empty();
                const bool sibling = i + 1 < siblings.size();
                const unsigned bits = (child ? 1u : 0u) | (sibling ? 2u : 0u) | (node.property ? 4u : 0u);
                out += le<std::uint32_t>(0) + le<std::uint32_t>(siblings[i]) +
                       le<std::uint32_t>(node.token) + le<std::uint32_t>(bits);
                std::size_t patch = 0;
                if (child && sibling) {
                    patch = out.size();
                    out += le<std::uint64_t>(0);
                }
                if (child) chain(node.children);
                if (patch != 0) {
                    const std::string at = le<std::uint64_t>(start + out.size());
                    out.replace(patch, 8, at);
                }
            }
        }
    };
    Writer{*this, out, sectionStart}.chain({0});
    return out;
}

std::string CrateBuilder::build() const {
    const bool compressed = minor_ >= 4;
    std::string file = "PXR-USDC";
    file += static_cast<char>(major_);
    file += static_cast<char>(minor_);
    file += std::string(6, '\0');
    file += std::string(72, '\0');  // the table's offset, set last
    file += values_;

    std::vector<std::pair<std::string, std::string>> sections;
    std::string joined;
    for (const std::string& text : tokens_) joined += text + '\0';
    std::string tokens = le<std::uint64_t>(tokens_.size()) + le<std::uint64_t>(joined.size());
    if (compressed) {
        const std::string blob = '\0' + lz4Literals(joined);
        tokens += le<std::uint64_t>(blob.size()) + blob;
    } else {
        tokens += joined;
    }
    sections.push_back({"TOKENS", tokens});
    std::string strings = le<std::uint64_t>(strings_.size());
    for (const std::uint32_t string : strings_) strings += le<std::uint32_t>(string);
    sections.push_back({"STRINGS", strings});

    std::string fields = le<std::uint64_t>(fields_.size());
    std::vector<std::uint32_t> names;
    std::string reps;
    for (const auto& [name, value] : fields_) {
        names.push_back(name);
        reps += le<std::uint64_t>(value);
        if (!compressed) fields += le<std::uint32_t>(0) + le<std::uint32_t>(name) + le<std::uint64_t>(value);
    }
    if (compressed) {
        const std::string blob = '\0' + lz4Literals(reps);
        fields += compressedList(names) + le<std::uint64_t>(blob.size()) + blob;
    }
    sections.push_back({"FIELDS", fields});

    std::string sets = le<std::uint64_t>(fieldSets_.size());
    if (compressed) {
        sets += compressedList(fieldSets_);
    } else {
        for (const std::uint32_t value : fieldSets_) sets += le<std::uint32_t>(value);
    }
    sections.push_back({"FIELDSETS", sets});

    // PATHS is placed after the three before it; the oldest layout needs its start.
    std::uint64_t pathsStart = file.size();
    for (const auto& section : sections) pathsStart += section.second.size();
    if (compressed) {
        std::vector<std::uint32_t> order;
        preorder(0, order);
        std::vector<std::uint32_t> elements;
        std::vector<std::uint32_t> jumps;
        std::vector<std::uint32_t> sizes(nodes_.size(), 1);
        for (std::size_t k = order.size(); k-- > 0;)
            for (const std::uint32_t child : nodes_[order[k]].children) sizes[order[k]] += sizes[child];
        for (std::size_t k = 0; k < order.size(); ++k) {
            const Node& node = nodes_[order[k]];
            elements.push_back(node.property ? 0u - node.token : node.token);
            const bool child = !node.children.empty();
            const bool sibling = node.parent != UINT32_MAX &&
                                 nodes_[node.parent].children.back() != order[k];
            jumps.push_back(child && sibling ? sizes[order[k]]
                            : child          ? static_cast<std::uint32_t>(-1)
                            : sibling        ? 0u
                                             : static_cast<std::uint32_t>(-2));
        }
        sections.push_back({"PATHS", le<std::uint64_t>(nodes_.size()) + le<std::uint64_t>(order.size()) +
                                         compressedList(order) + compressedList(elements) +
                                         compressedList(jumps)});
    } else {
        sections.push_back({"PATHS", legacyPaths(pathsStart)});
    }

    std::string specs = le<std::uint64_t>(specs_.size());
    std::vector<std::uint32_t> paths;
    std::vector<std::uint32_t> starts;
    std::vector<std::uint32_t> types;
    for (const Spec& spec : specs_) {
        paths.push_back(spec.path);
        starts.push_back(spec.fieldSet);
        types.push_back(spec.type);
        if (!compressed)
            specs += le<std::uint32_t>(0) + le<std::uint32_t>(spec.path) +
                     le<std::uint32_t>(spec.fieldSet) + le<std::uint32_t>(spec.type);
    }
    if (compressed) specs += compressedList(paths) + compressedList(starts) + compressedList(types);
    sections.push_back({"SPECS", specs});

    std::string toc = le<std::uint64_t>(sections.size());
    for (const auto& [name, bytes] : sections) {
        std::string record = name;
        record.resize(16, '\0');
        toc += record + le<std::uint64_t>(file.size()) + le<std::uint64_t>(bytes.size());
        file += bytes;
    }
    const std::string tocOffset = le<std::uint64_t>(file.size());
    file.replace(16, 8, tocOffset);
    return file + toc;
}

// /Q (no specifier) holding the class /Q/R (listed twice); /P holding variant set a, whose
// variant x holds the mesh C and variant set b, whose variant y holds the mesh D.
std::string nestedLayer(unsigned minor, std::uint64_t typeOfP) {
    CrateBuilder b(minor);
    const std::uint32_t p = b.path(0, "P");
    const std::uint32_t q = b.path(0, "Q");
    const std::uint32_t r = b.path(q, "R");
    const std::uint32_t setA = b.path(p, "{a=}");
    const std::uint32_t ax = b.path(p, "{a=x}");
    const std::uint32_t c = b.path(ax, "C");
    const std::uint32_t points = b.path(c, "points", true);
    const std::uint32_t counts = b.path(c, "faceVertexCounts", true);
    const std::uint32_t indices = b.path(c, "faceVertexIndices", true);
    const std::uint32_t scheme = b.path(c, "subdivisionScheme", true);
    const std::uint32_t setB = b.path(ax, "{b=}");
    const std::uint32_t by = b.path(ax, "{b=y}");
    const std::uint32_t d = b.path(by, "D");

    const std::string sublayers = le<std::uint64_t>(1) + le<std::uint32_t>(b.string("sub.usd"));
    b.spec(0, tessaryn::CrateSpecType::PseudoRoot,
           {{"defaultPrim", b.tokenRep("P")},
            {"upAxis", b.tokenRep("Z")},
            {"metersPerUnit", rep(tessaryn::CrateType::Double, b.place(le<double>(0.01)))},
            {"framesPerSecond", rep(tessaryn::CrateType::Int, 30, kInlined)},
            {"primChildren", b.tokenVector({"Q", "P", "Missing"})},
            {"subLayers", rep(tessaryn::CrateType::StringVector, b.place(sublayers))}});
    // A reference with custom data: a dictionary of one entry, its value rep right after
    // its jump.
    const std::string reference = le<std::uint32_t>(b.string("ref.usd")) + le<std::uint32_t>(0) +
                                  le<double>(0) + le<double>(1) + le<std::uint64_t>(1) +
                                  le<std::uint32_t>(b.string("key")) + le<std::int64_t>(8) +
                                  le(rep(tessaryn::CrateType::Int, 7, kInlined));
    const std::string references = "\x20" + le<std::uint64_t>(1) + reference;
    const std::string setNames = "\x20" + le<std::uint64_t>(1) + le<std::uint32_t>(b.string("a"));
    const std::string selection = le<std::uint64_t>(1) + le<std::uint32_t>(b.string("a")) +
                                  le<std::uint32_t>(b.string("x"));
    b.spec(p, tessaryn::CrateSpecType::Prim,
           {{"specifier", b.specifier(0)},
            {"typeName", typeOfP != 0 ? typeOfP : b.tokenRep("Xform")},
            {"variantSetNames", rep(tessaryn::CrateType::StringListOp, b.place(setNames))},
            {"variantSelection", rep(tessaryn::CrateType::VariantSelectionMap, b.place(selection))},
            {"variantSetChildren", b.tokenVector({"a"})},
            {"references", rep(tessaryn::CrateType::ReferenceListOp, b.place(references))}});
    b.spec(q, tessaryn::CrateSpecType::Prim, {{"primChildren", b.tokenVector({"R", "R"})}});
    const std::string payload = le<std::uint32_t>(b.string("pay.usd")) + le<std::uint32_t>(0) +
                                (minor >= 8 ? std::string(16, '\0') : std::string());
    b.spec(r, tessaryn::CrateSpecType::Prim,
           {{"specifier", b.specifier(2)},
            {"typeName", b.tokenRep("Mesh")},
            {"payload", rep(tessaryn::CrateType::Payload, b.place(payload))}});
    b.spec(setA, tessaryn::CrateSpecType::VariantSet, {{"variantChildren", b.tokenVector({"x", "gone"})}});
    b.spec(ax, tessaryn::CrateSpecType::Variant,
           {{"primChildren", b.tokenVector({"C"})}, {"variantSetChildren", b.tokenVector({"b"})}});
    b.spec(c, tessaryn::CrateSpecType::Prim, {{"specifier", b.specifier(1)}, {"typeName", b.tokenRep("Mesh")}});
    // Points only in a time sample, behind a blocked default.
    const std::uint64_t times =
        b.place(le<std::uint64_t>(1) + le<double>(0));
    const std::uint64_t pointArray = b.place(b.arrayHeader(3) + std::string(36, '\0'));
    const std::uint64_t samples =
        b.place(le<std::int64_t>(8) + le(rep(tessaryn::CrateType::DoubleVector, times)) + le<std::int64_t>(8) +
                le<std::uint64_t>(1) + le(rep(tessaryn::CrateType::Vec3f, pointArray, kArray)));
    b.spec(points, tessaryn::CrateSpecType::Attribute,
           {{"default", rep(tessaryn::CrateType::ValueBlock, 0, kInlined)},
            {"timeSamples", rep(tessaryn::CrateType::TimeSamples, samples)}});
    b.spec(counts, tessaryn::CrateSpecType::Attribute, {{"default", b.intArray({3})}});
    b.spec(indices, tessaryn::CrateSpecType::Attribute, {{"default", b.intArray({0, 1, 2})}});
    b.spec(scheme, tessaryn::CrateSpecType::Attribute, {{"default", b.tokenRep("loop")}});
    b.spec(setB, tessaryn::CrateSpecType::VariantSet, {{"variantChildren", b.tokenVector({"y"})}});
    b.spec(by, tessaryn::CrateSpecType::Variant, {{"primChildren", b.tokenVector({"D"})}});
    b.spec(d, tessaryn::CrateSpecType::Prim, {{"specifier", b.specifier(0)}, {"typeName", b.tokenRep("Mesh")}});
    return b.build();
}

}  // namespace usdc_testing
