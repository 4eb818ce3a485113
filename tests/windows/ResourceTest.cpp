// The built BRIMSTAR.SCR as Windows sees the file: its resource list, the stored formats of its
// artwork, the version record, the manifest and the DLLs it needs. Everything here is read from
// the executable on disk, through the platform's own loaders and by walking the raw bytes.
#include "TestSupport.h"
#include "framework/Gdi.h"
#include "resources/credits.h"
#include "resources/resource.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <psapi.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwctype>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using testing_support::ChildProcess;
using testing_support::SaverPath;

constexpr WORD kUsEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);  // 1033

// ---------------------------------------------------------------------------------------------
// Little-endian reads that refuse to run past the end of what was read.

class Bytes {
public:
    Bytes() = default;
    explicit Bytes(std::vector<BYTE> data) : m_data(std::move(data)) {}

    size_t Size() const { return m_data.size(); }
    const BYTE* Data() const { return m_data.data(); }

    template <class T> T At(size_t offset) const
    {
        Need(offset, sizeof(T));
        T value;
        std::memcpy(&value, m_data.data() + offset, sizeof(T));
        return value;
    }

    // A NUL-terminated UTF-16 string starting at offset; `end` receives the offset past its NUL.
    std::wstring WideStringAt(size_t offset, size_t& end) const
    {
        std::wstring text;
        for (;;) {
            const auto c = static_cast<wchar_t>(At<WORD>(offset));
            offset += sizeof(WORD);
            if (c == L'\0')
                break;
            text.push_back(c);
        }
        end = offset;
        return text;
    }

    // A NUL-terminated byte string starting at offset.
    std::string NarrowStringAt(size_t offset) const
    {
        std::string text;
        for (char c = At<char>(offset); c != '\0'; c = At<char>(++offset))
            text.push_back(c);
        return text;
    }

private:
    void Need(size_t offset, size_t count) const
    {
        if (offset > m_data.size() || count > m_data.size() - offset)
            throw std::out_of_range("read of " + std::to_string(count) + " bytes at " + std::to_string(offset) +
                                    " runs past the end (" + std::to_string(m_data.size()) + " bytes)");
    }

    std::vector<BYTE> m_data;
};

size_t AlignUp4(size_t offset)
{
    return (offset + 3) & ~size_t{3};
}

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

// ---------------------------------------------------------------------------------------------
// The executable loaded for its resources only: no code of it runs.

class ResourceFile {
public:
    explicit ResourceFile(const std::wstring& path)
        : m_module(::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
    {
    }
    ResourceFile(const ResourceFile&) = delete;
    ResourceFile& operator=(const ResourceFile&) = delete;
    ~ResourceFile()
    {
        if (m_module)
            ::FreeLibrary(m_module);
    }

    HMODULE Module() const { return m_module; }

    // The stored bytes of one US English resource; empty when there is none.
    Bytes Read(LPCWSTR type, WORD id) const
    {
        const HRSRC found = ::FindResourceExW(m_module, type, MAKEINTRESOURCEW(id), kUsEnglish);
        if (!found)
            return Bytes();
        const HGLOBAL loaded = ::LoadResource(m_module, found);
        const auto* data = static_cast<const BYTE*>(::LockResource(loaded));
        const DWORD size = ::SizeofResource(m_module, found);
        if (!data)
            return Bytes();
        return Bytes(std::vector<BYTE>(data, data + size));
    }

private:
    HMODULE m_module;
};

// A resource type or name as the enumeration gives it: "#n" for an ordinal, else the name.
std::wstring NameOf(LPCWSTR typeOrName)
{
    if (IS_INTRESOURCE(typeOrName))
        return L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(typeOrName));
    return typeOrName;
}

std::wstring NameOf(WORD id)
{
    return L"#" + std::to_wstring(id);
}

// Types in the order the file stores them, each with its names in stored order.
struct ResourceDirectory {
    std::vector<std::wstring> types;
    std::map<std::wstring, std::vector<std::wstring>> names;
    std::map<std::wstring, std::vector<WORD>> languages;  // by "type/name"
};

ResourceDirectory ListResources(HMODULE module)
{
    struct Walk {
        HMODULE module;
        ResourceDirectory directory;
    } walk{module, {}};

    ::EnumResourceTypesW(
        module,
        [](HMODULE, LPWSTR type, LONG_PTR param) -> BOOL {
            auto& w = *reinterpret_cast<Walk*>(param);
            w.directory.types.push_back(NameOf(type));
            ::EnumResourceNamesW(
                w.module, type,
                [](HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) -> BOOL {
                    auto& w = *reinterpret_cast<Walk*>(param);
                    const std::wstring key = NameOf(type) + L"/" + NameOf(name);
                    w.directory.names[NameOf(type)].push_back(NameOf(name));
                    ::EnumResourceLanguagesW(
                        module, type, name,
                        [](HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) -> BOOL {
                            reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
                            return TRUE;
                        },
                        reinterpret_cast<LONG_PTR>(&w.directory.languages[key]));
                    return TRUE;
                },
                param);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&walk));
    return walk.directory;
}

// ---------------------------------------------------------------------------------------------
// Icon and cursor groups (NEWHEADER followed by RESDIR entries, 14 bytes each).

struct GroupEntry {
    BYTE width = 0, height = 0, colourCount = 0;  // icons: ICONRESDIR
    WORD cursorWidth = 0, cursorHeight = 0;       // cursors: CURSORDIR
    WORD planes = 0, bitCount = 0;
    DWORD bytesInRes = 0;
    WORD id = 0;
};

std::vector<GroupEntry> ReadGroup(const Bytes& group, WORD expectedType)
{
    if (group.At<WORD>(0) != 0 || group.At<WORD>(2) != expectedType)
        throw std::runtime_error("not a group of the expected type");
    const WORD count = group.At<WORD>(4);
    if (group.Size() != 6 + size_t{count} * 14)
        throw std::runtime_error("group size does not match its entry count");
    std::vector<GroupEntry> entries;
    for (WORD i = 0; i < count; ++i) {
        const size_t at = 6 + size_t{i} * 14;
        GroupEntry entry;
        entry.width = group.At<BYTE>(at);
        entry.height = group.At<BYTE>(at + 1);
        entry.colourCount = group.At<BYTE>(at + 2);
        entry.cursorWidth = group.At<WORD>(at);
        entry.cursorHeight = group.At<WORD>(at + 2);
        entry.planes = group.At<WORD>(at + 4);
        entry.bitCount = group.At<WORD>(at + 6);
        entry.bytesInRes = group.At<DWORD>(at + 8);
        entry.id = group.At<WORD>(at + 12);
        entries.push_back(entry);
    }
    return entries;
}

// The bytes a bottom-up DIB of this header needs: header, colour table, rows padded to 4 bytes.
size_t PackedDibSize(const BITMAPINFOHEADER& header, size_t colourTableEntries, LONG rows)
{
    const size_t stride = ((size_t(header.biWidth) * header.biBitCount + 31) / 32) * 4;
    return header.biSize + colourTableEntries * sizeof(RGBQUAD) + stride * size_t(rows);
}

size_t ColourTableEntries(const BITMAPINFOHEADER& header)
{
    if (header.biBitCount > 8)
        return header.biClrUsed;
    return header.biClrUsed ? header.biClrUsed : (size_t{1} << header.biBitCount);
}

// ---------------------------------------------------------------------------------------------
// The version record as stored: VS_VERSIONINFO and its nested blocks, each
// { wLength, wValueLength, wType, szKey, padding, Value, padding, Children }.

struct VersionNode {
    std::wstring key;
    WORD valueLength = 0;  // as stored: bytes for binary values, characters for text
    WORD type = 0;         // 1 = text, 0 = binary
    size_t valueOffset = 0;
    std::vector<VersionNode> children;
};

VersionNode ReadVersionNode(const Bytes& bytes, size_t offset, size_t limit)
{
    VersionNode node;
    const WORD length = bytes.At<WORD>(offset);
    if (length < 6 || offset + length > limit)
        throw std::runtime_error("version block at " + std::to_string(offset) + " does not fit its parent");
    node.valueLength = bytes.At<WORD>(offset + 2);
    node.type = bytes.At<WORD>(offset + 4);
    size_t at = 0;
    node.key = bytes.WideStringAt(offset + 6, at);
    at = AlignUp4(at);
    node.valueOffset = at;
    const size_t valueBytes = node.type == 1 ? size_t{node.valueLength} * sizeof(WCHAR) : node.valueLength;
    at = AlignUp4(at + valueBytes);
    const size_t end = offset + length;
    if (node.valueOffset + valueBytes > end)
        throw std::runtime_error("value of version block '" + std::string(node.key.begin(), node.key.end()) +
                                 "' runs past the block");
    while (at < end) {
        VersionNode child = ReadVersionNode(bytes, at, end);
        at = AlignUp4(at + bytes.At<WORD>(at));
        node.children.push_back(std::move(child));
    }
    return node;
}

// ---------------------------------------------------------------------------------------------
// A small XML reader for the manifest: elements, attributes, text and namespaces, which is all
// a manifest uses. Anything else (DTDs, CDATA, unknown entities) is refused.

struct XmlElement {
    std::wstring ns;     // namespace URI
    std::wstring local;  // name without prefix
    std::map<std::wstring, std::wstring> attributes;  // unprefixed attributes; xmlns ones excluded
    std::wstring text;
    std::vector<std::unique_ptr<XmlElement>> children;

    std::vector<const XmlElement*> Children(const std::wstring& childNs, const std::wstring& childLocal) const
    {
        std::vector<const XmlElement*> found;
        for (const auto& child : children)
            if (child->ns == childNs && child->local == childLocal)
                found.push_back(child.get());
        return found;
    }

    // The elements at the end of a path of (namespace, local name) steps below this one.
    std::vector<const XmlElement*> Find(const std::vector<std::pair<std::wstring, std::wstring>>& path) const
    {
        std::vector<const XmlElement*> level{this};
        for (const auto& [stepNs, stepLocal] : path) {
            std::vector<const XmlElement*> next;
            for (const XmlElement* element : level) {
                const auto found = element->Children(stepNs, stepLocal);
                next.insert(next.end(), found.begin(), found.end());
            }
            level = std::move(next);
        }
        return level;
    }
};

class XmlReader {
public:
    explicit XmlReader(std::wstring text) : m_text(std::move(text)) {}

    std::unique_ptr<XmlElement> ReadDocument()
    {
        SkipMisc();
        if (!Peek(L"<"))
            Fail("no root element");
        auto root = ReadElement({{L"xml", L"http://www.w3.org/XML/1998/namespace"}});
        SkipMisc();
        if (m_pos != m_text.size())
            Fail("content after the root element");
        return root;
    }

private:
    using Namespaces = std::map<std::wstring, std::wstring>;  // prefix ("" = default) -> URI

    [[noreturn]] void Fail(const std::string& what) const
    {
        throw std::runtime_error("manifest XML: " + what + " at character " + std::to_string(m_pos));
    }

    bool Peek(const std::wstring& s) const { return m_text.compare(m_pos, s.size(), s) == 0; }

    void Expect(const std::wstring& s)
    {
        if (!Peek(s))
            Fail("expected '" + std::string(s.begin(), s.end()) + "'");
        m_pos += s.size();
    }

    void SkipSpace()
    {
        while (m_pos < m_text.size() && std::wcschr(L" \t\r\n", m_text[m_pos]) && m_text[m_pos] != L'\0')
            ++m_pos;
    }

    void SkipPast(const std::wstring& terminator)
    {
        const size_t end = m_text.find(terminator, m_pos);
        if (end == std::wstring::npos)
            Fail("unterminated construct");
        m_pos = end + terminator.size();
    }

    // Declarations, comments and white space between elements.
    void SkipMisc()
    {
        for (;;) {
            SkipSpace();
            if (Peek(L"<?"))
                SkipPast(L"?>");
            else if (Peek(L"<!--"))
                SkipPast(L"-->");
            else if (Peek(L"<!"))
                Fail("DTDs and CDATA are not expected in a manifest");
            else
                return;
        }
    }

    std::wstring ReadName()
    {
        const size_t start = m_pos;
        while (m_pos < m_text.size() && (std::iswalnum(m_text[m_pos]) || std::wcschr(L":_-.", m_text[m_pos])) &&
               m_text[m_pos] != L'\0')
            ++m_pos;
        if (m_pos == start)
            Fail("expected a name");
        return m_text.substr(start, m_pos - start);
    }

    std::wstring Decode(const std::wstring& raw) const
    {
        static const std::map<std::wstring, wchar_t> entities{
            {L"amp", L'&'}, {L"lt", L'<'}, {L"gt", L'>'}, {L"quot", L'"'}, {L"apos", L'\''}};
        std::wstring out;
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != L'&') {
                out.push_back(raw[i]);
                continue;
            }
            const size_t semicolon = raw.find(L';', i);
            const auto entity = semicolon == std::wstring::npos ? entities.end()
                                                                : entities.find(raw.substr(i + 1, semicolon - i - 1));
            if (entity == entities.end())
                Fail("unknown entity");
            out.push_back(entity->second);
            i = semicolon;
        }
        return out;
    }

    static std::pair<std::wstring, std::wstring> SplitPrefix(const std::wstring& name)
    {
        const size_t colon = name.find(L':');
        if (colon == std::wstring::npos)
            return {L"", name};
        return {name.substr(0, colon), name.substr(colon + 1)};
    }

    std::unique_ptr<XmlElement> ReadElement(Namespaces inScope)
    {
        Expect(L"<");
        const std::wstring qualifiedName = ReadName();
        std::map<std::wstring, std::wstring> rawAttributes;
        for (;;) {
            SkipSpace();
            if (Peek(L"/>") || Peek(L">"))
                break;
            const std::wstring name = ReadName();
            SkipSpace();
            Expect(L"=");
            SkipSpace();
            if (m_pos >= m_text.size() || (m_text[m_pos] != L'"' && m_text[m_pos] != L'\''))
                Fail("expected a quoted attribute value");
            const wchar_t quote = m_text[m_pos++];
            const size_t end = m_text.find(quote, m_pos);
            if (end == std::wstring::npos)
                Fail("unterminated attribute value");
            if (!rawAttributes.emplace(name, Decode(m_text.substr(m_pos, end - m_pos))).second)
                Fail("repeated attribute");
            m_pos = end + 1;
        }

        auto element = std::make_unique<XmlElement>();
        for (const auto& [name, value] : rawAttributes) {
            if (name == L"xmlns")
                inScope[L""] = value;
            else if (name.rfind(L"xmlns:", 0) == 0)
                inScope[name.substr(6)] = value;
        }
        for (const auto& [name, value] : rawAttributes) {
            if (name == L"xmlns" || name.rfind(L"xmlns:", 0) == 0)
                continue;
            if (name.find(L':') != std::wstring::npos)
                Fail("prefixed attributes are not expected in a manifest");
            element->attributes[name] = value;
        }
        const auto [prefix, local] = SplitPrefix(qualifiedName);
        const auto ns = inScope.find(prefix);
        if (ns == inScope.end())
            Fail("undeclared namespace prefix");
        element->ns = ns->second;
        element->local = local;

        if (Peek(L"/>")) {
            m_pos += 2;
            return element;
        }
        Expect(L">");
        for (;;) {
            const size_t textEnd = m_text.find(L'<', m_pos);
            if (textEnd == std::wstring::npos)
                Fail("unterminated element");
            element->text += Decode(m_text.substr(m_pos, textEnd - m_pos));
            m_pos = textEnd;
            if (Peek(L"</")) {
                m_pos += 2;
                if (ReadName() != qualifiedName)
                    Fail("mismatched end tag");
                SkipSpace();
                Expect(L">");
                return element;
            }
            if (Peek(L"<!--"))
                SkipPast(L"-->");
            else if (Peek(L"<?"))
                SkipPast(L"?>");
            else if (Peek(L"<!"))
                Fail("DTDs and CDATA are not expected in a manifest");
            else
                element->children.push_back(ReadElement(inScope));
        }
    }

    std::wstring m_text;
    size_t m_pos = 0;
};

std::wstring Trim(const std::wstring& text)
{
    const size_t first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos)
        return L"";
    return text.substr(first, text.find_last_not_of(L" \t\r\n") - first + 1);
}

// ---------------------------------------------------------------------------------------------
// The DLLs a PE32+ file imports, from its import and delay-import directories.

struct ImportedDlls {
    WORD machine = 0;
    WORD subsystem = 0;
    std::vector<std::wstring> names;  // lower case, as listed
};

struct OwnedFile {
    HANDLE handle;
    OwnedFile(const OwnedFile&) = delete;
    OwnedFile& operator=(const OwnedFile&) = delete;
    ~OwnedFile()
    {
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
    }
};

Bytes ReadWholeFile(const std::wstring& path)
{
    const OwnedFile file{::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr)};
    LARGE_INTEGER size{};
    if (file.handle == INVALID_HANDLE_VALUE || !::GetFileSizeEx(file.handle, &size) || size.QuadPart <= 0 ||
        size.QuadPart >= (LONGLONG{1} << 30))
        throw std::runtime_error("cannot open the executable");
    std::vector<BYTE> data(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!::ReadFile(file.handle, data.data(), static_cast<DWORD>(data.size()), &read, nullptr) || read != data.size())
        throw std::runtime_error("cannot read the executable");
    return Bytes(std::move(data));
}

ImportedDlls ReadImports(const std::wstring& path)
{
    const Bytes file = ReadWholeFile(path);
    if (file.At<WORD>(0) != IMAGE_DOS_SIGNATURE)
        throw std::runtime_error("no MZ header");
    const auto ntOffset = static_cast<size_t>(file.At<LONG>(offsetof(IMAGE_DOS_HEADER, e_lfanew)));
    const auto nt = file.At<IMAGE_NT_HEADERS64>(ntOffset);
    if (nt.Signature != IMAGE_NT_SIGNATURE || nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        throw std::runtime_error("not a PE32+ image");

    const size_t sectionsOffset =
        ntOffset + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
    std::vector<IMAGE_SECTION_HEADER> sections;
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i)
        sections.push_back(file.At<IMAGE_SECTION_HEADER>(sectionsOffset + i * sizeof(IMAGE_SECTION_HEADER)));
    const auto fileOffsetOf = [&](DWORD rva) -> size_t {
        for (const auto& section : sections) {
            const DWORD extent = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + extent)
                return size_t{section.PointerToRawData} + (rva - section.VirtualAddress);
        }
        throw std::runtime_error("address outside every section");
    };

    ImportedDlls result;
    result.machine = nt.FileHeader.Machine;
    result.subsystem = nt.OptionalHeader.Subsystem;
    const auto addName = [&](DWORD nameRva) {
        result.names.push_back(Lower(Widen(file.NarrowStringAt(fileOffsetOf(nameRva)))));
    };

    const IMAGE_DATA_DIRECTORY imports = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress != 0) {
        for (size_t at = fileOffsetOf(imports.VirtualAddress);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            const auto descriptor = file.At<IMAGE_IMPORT_DESCRIPTOR>(at);
            if (descriptor.Name == 0 && descriptor.FirstThunk == 0)
                break;
            addName(descriptor.Name);
        }
    }
    const IMAGE_DATA_DIRECTORY delayed = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
    if (delayed.VirtualAddress != 0) {
        for (size_t at = fileOffsetOf(delayed.VirtualAddress);; at += sizeof(IMAGE_DELAYLOAD_DESCRIPTOR)) {
            const auto descriptor = file.At<IMAGE_DELAYLOAD_DESCRIPTOR>(at);
            if (descriptor.DllNameRVA == 0)
                break;
            addName(descriptor.DllNameRVA);
        }
    }
    return result;
}

// =============================================================================================

TEST(ResourceList, HoldsExactlyTheProgramsResourcesAllInUsEnglish)
{
    ResourceFile saver(SaverPath());
    ASSERT_NE(saver.Module(), nullptr) << "cannot load the saver's resources";
    const ResourceDirectory directory = ListResources(saver.Module());

    // Types in the order a PE resource directory keeps them: ascending ordinals, no names.
    EXPECT_EQ(directory.types, (std::vector<std::wstring>{L"#1", L"#2", L"#3", L"#5", L"#6", L"#12", L"#14", L"#16",
                                                           L"#24"}));
    const auto names = [&](LPCWSTR type) {
        const auto found = directory.names.find(NameOf(type));
        return found == directory.names.end() ? std::vector<std::wstring>{} : found->second;
    };
    EXPECT_EQ(names(RT_BITMAP), (std::vector<std::wstring>{L"#131", L"#132", L"#133", L"#134", L"#135", L"#136"}));
    EXPECT_EQ(names(RT_GROUP_CURSOR), (std::vector<std::wstring>{L"#129"}));
    // The first icon group is the one Explorer shows for the file: it must be the main icon.
    EXPECT_EQ(names(RT_GROUP_ICON), (std::vector<std::wstring>{L"#138", L"#139"}));
    EXPECT_EQ(names(RT_DIALOG), (std::vector<std::wstring>{L"#100", L"#102"}));
    // Strings 1 and 101 live in blocks 1 (strings 0-15) and 7 (strings 96-111).
    EXPECT_EQ(names(RT_STRING), (std::vector<std::wstring>{L"#1", L"#7"}));
    EXPECT_EQ(names(RT_VERSION), (std::vector<std::wstring>{L"#1"}));
    EXPECT_EQ(names(RT_MANIFEST), (std::vector<std::wstring>{L"#1"}));

    // The single images are exactly those the groups name: nothing stray, nothing missing.
    std::vector<WORD> iconIds;
    for (const WORD group : {WORD{138}, WORD{139}})
        for (const GroupEntry& entry : ReadGroup(saver.Read(RT_GROUP_ICON, group), 1))
            iconIds.push_back(entry.id);
    std::sort(iconIds.begin(), iconIds.end());
    std::vector<std::wstring> iconImages;
    for (const WORD id : iconIds)
        iconImages.push_back(NameOf(id));
    EXPECT_EQ(names(RT_ICON), iconImages);
    std::vector<std::wstring> cursorImages;
    for (const GroupEntry& entry : ReadGroup(saver.Read(RT_GROUP_CURSOR, 129), 2))
        cursorImages.push_back(NameOf(entry.id));
    EXPECT_EQ(names(RT_CURSOR), cursorImages);

    size_t resources = 0;
    for (const auto& [type, list] : directory.names)
        resources += list.size();
    // 6 bitmaps, cursor group and image, 2 icon groups and 3 images, 2 dialogs, 2 string blocks,
    // version record, manifest.
    EXPECT_EQ(resources, 19u);
    EXPECT_EQ(directory.languages.size(), resources);
    for (const auto& [key, languages] : directory.languages)
        EXPECT_EQ(languages, std::vector<WORD>{kUsEnglish}) << "languages of " << std::string(key.begin(), key.end());
}

TEST(ResourceArtwork, BitmapsKeepTheirStoredSizeAndFormat)
{
    ResourceFile saver(SaverPath());
    ASSERT_NE(saver.Module(), nullptr);
    struct Expected {
        WORD id;
        LONG width, height;
        WORD bitCount;
        size_t colours;
    };
    const Expected all[] = {
        {131, 126, 157, 24, 0},  {132, 126, 157, 8, 256}, {133, 126, 157, 8, 256},
        {134, 126, 157, 8, 256}, {135, 189, 189, 8, 256}, {136, 189, 189, 1, 2},
    };
    for (const Expected& expected : all) {
        SCOPED_TRACE("bitmap " + std::to_string(expected.id));
        const Bytes data = saver.Read(RT_BITMAP, expected.id);
        ASSERT_GE(data.Size(), sizeof(BITMAPINFOHEADER));
        const auto header = data.At<BITMAPINFOHEADER>(0);
        EXPECT_EQ(header.biSize, sizeof(BITMAPINFOHEADER));
        EXPECT_EQ(header.biWidth, expected.width);
        EXPECT_EQ(header.biHeight, expected.height);  // positive: stored bottom-up
        EXPECT_EQ(header.biPlanes, 1);
        EXPECT_EQ(header.biBitCount, expected.bitCount);
        EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
        EXPECT_EQ(ColourTableEntries(header), expected.colours);
        // Header, colour table and every row are present, and nothing else.
        EXPECT_EQ(data.Size(), PackedDibSize(header, ColourTableEntries(header), header.biHeight));
    }
}

TEST(ResourceArtwork, CursorIsOneBlankMonochromeImage)
{
    ResourceFile saver(SaverPath());
    ASSERT_NE(saver.Module(), nullptr);
    const Bytes groupData = saver.Read(RT_GROUP_CURSOR, 129);
    const std::vector<GroupEntry> group = ReadGroup(groupData, 2);
    ASSERT_EQ(group.size(), 1u);
    EXPECT_EQ(group[0].cursorWidth, 32);
    EXPECT_EQ(group[0].cursorHeight, 64);  // resource compilers store the XOR + AND height
    EXPECT_EQ(group[0].planes, 1);
    EXPECT_EQ(group[0].bitCount, 1);

    const Bytes image = saver.Read(RT_CURSOR, group[0].id);
    ASSERT_EQ(image.Size(), group[0].bytesInRes);
    // LOCALHEADER: the hot spot comes first, then the bitmap.
    EXPECT_EQ(image.At<WORD>(0), 0);
    EXPECT_EQ(image.At<WORD>(2), 0);
    const auto header = image.At<BITMAPINFOHEADER>(4);
    EXPECT_EQ(header.biWidth, 32);
    EXPECT_EQ(header.biHeight, 64);
    EXPECT_EQ(header.biBitCount, 1);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    ASSERT_EQ(ColourTableEntries(header), 2u);
    ASSERT_EQ(image.Size(), 4 + PackedDibSize(header, 2, 64));

    // XOR rows first, then AND rows, 4 bytes each. Draws nothing: screen AND 1, XOR 0.
    const size_t xorBits = 4 + header.biSize + 2 * sizeof(RGBQUAD);
    const size_t andBits = xorBits + 32 * 4;
    for (size_t i = 0; i < 32 * 4; ++i) {
        ASSERT_EQ(image.At<BYTE>(xorBits + i), 0x00) << "XOR byte " << i;
        ASSERT_EQ(image.At<BYTE>(andBits + i), 0xFF) << "AND byte " << i;
    }

    // The platform picks this image for a standard cursor.
    EXPECT_EQ(::LookupIconIdFromDirectoryEx(const_cast<BYTE*>(groupData.Data()), FALSE, 32, 32, LR_MONOCHROME),
              group[0].id);
}

TEST(ResourceArtwork, IconGroupsHoldTheirImages)
{
    ResourceFile saver(SaverPath());
    ASSERT_NE(saver.Module(), nullptr);
    struct Image {
        BYTE size;
        WORD bitCount;
        BYTE colourCount;  // as the group states it: 0 means 256 or more
    };
    const std::map<WORD, std::vector<Image>> expectedGroups{
        {138, {{32, 4, 16}, {48, 8, 0}}},
        {139, {{32, 4, 16}}},
    };
    for (const auto& [groupId, images] : expectedGroups) {
        SCOPED_TRACE("icon group " + std::to_string(groupId));
        const std::vector<GroupEntry> group = ReadGroup(saver.Read(RT_GROUP_ICON, groupId), 1);
        ASSERT_EQ(group.size(), images.size());
        for (size_t i = 0; i < images.size(); ++i) {
            SCOPED_TRACE("image " + std::to_string(i));
            EXPECT_EQ(group[i].width, images[i].size);
            EXPECT_EQ(group[i].height, images[i].size);
            EXPECT_EQ(group[i].colourCount, images[i].colourCount);
            EXPECT_EQ(group[i].planes, 1);
            EXPECT_EQ(group[i].bitCount, images[i].bitCount);

            const Bytes image = saver.Read(RT_ICON, group[i].id);
            ASSERT_EQ(image.Size(), group[i].bytesInRes);
            const auto header = image.At<BITMAPINFOHEADER>(0);
            EXPECT_EQ(header.biSize, sizeof(BITMAPINFOHEADER));
            EXPECT_EQ(header.biWidth, images[i].size);
            EXPECT_EQ(header.biHeight, 2 * images[i].size);  // colour rows + mask rows
            EXPECT_EQ(header.biBitCount, images[i].bitCount);
            EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
            EXPECT_EQ(ColourTableEntries(header), size_t{1} << images[i].bitCount);
            // Colour rows at the image's depth, then the 1-bit mask rows.
            const size_t maskStride = ((size_t{images[i].size} + 31) / 32) * 4;
            EXPECT_EQ(image.Size(), PackedDibSize(header, ColourTableEntries(header), images[i].size) +
                                        maskStride * images[i].size);
        }
    }
}

// The pixels of an icon drawn at 32 x 32 over black and over white: together they tell colour
// and transparency apart.
std::vector<COLORREF> DrawIcon(HICON icon)
{
    framework::CClientDC screen(nullptr);
    framework::CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(screen.m_hDC, 64, 32);
    framework::CDC dc;
    dc.CreateCompatibleDC(screen);
    dc.SelectObject(bitmap);
    const RECT black{0, 0, 32, 32}, white{32, 0, 64, 32};
    ::FillRect(dc.m_hDC, &black, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    ::FillRect(dc.m_hDC, &white, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::DrawIconEx(dc.m_hDC, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
    ::DrawIconEx(dc.m_hDC, 32, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            pixels.push_back(::GetPixel(dc.m_hDC, x, y));
    return pixels;
}

struct OwnedIcon {
    HICON handle = nullptr;
    OwnedIcon() = default;
    explicit OwnedIcon(HICON icon) : handle(icon) {}
    OwnedIcon(const OwnedIcon&) = delete;
    OwnedIcon& operator=(const OwnedIcon&) = delete;
    ~OwnedIcon()
    {
        if (handle)
            ::DestroyIcon(handle);
    }
};

// The 32 x 32 image of an icon group, made straight from the stored resource bytes.
HICON IconFromGroup(const ResourceFile& file, WORD groupId)
{
    const Bytes group = file.Read(RT_GROUP_ICON, groupId);
    if (group.Size() == 0)
        return nullptr;
    const int imageId = ::LookupIconIdFromDirectoryEx(const_cast<BYTE*>(group.Data()), TRUE, 32, 32, LR_DEFAULTCOLOR);
    const Bytes image = file.Read(RT_ICON, static_cast<WORD>(imageId));
    if (image.Size() == 0)
        return nullptr;
    return ::CreateIconFromResourceEx(const_cast<BYTE*>(image.Data()), static_cast<DWORD>(image.Size()), TRUE,
                                      0x00030000, 32, 32, LR_DEFAULTCOLOR);
}

TEST(ResourceArtwork, TheFilesIconIsTheMainIcon)
{
    ResourceFile saver(SaverPath());
    ASSERT_NE(saver.Module(), nullptr);
    OwnedIcon mainIcon(IconFromGroup(saver, 138));
    OwnedIcon aboutIcon(IconFromGroup(saver, 139));
    ASSERT_NE(mainIcon.handle, nullptr);
    ASSERT_NE(aboutIcon.handle, nullptr);
    const std::vector<COLORREF> mainPixels = DrawIcon(mainIcon.handle);
    ASSERT_TRUE(mainPixels != DrawIcon(aboutIcon.handle)) << "the two icons must differ for this check to mean anything";

    // What the shell shows for the file: the first icon the file holds.
    OwnedIcon fileIcon;
    ASSERT_EQ(::ExtractIconExW(SaverPath().c_str(), 0, &fileIcon.handle, nullptr, 1), 1u);
    ASSERT_NE(fileIcon.handle, nullptr);
    EXPECT_TRUE(DrawIcon(fileIcon.handle) == mainPixels) << "the file shows another icon than the main icon";
}

TEST(ResourceStrings, DescriptionAndAboutMenuItem)
{
    ResourceFile saver(SaverPath());
    ASSERT_NE(saver.Module(), nullptr);
    wchar_t text[256] = {};
    // Screen Saver settings lists the saver under string 1.
    EXPECT_EQ(::LoadStringW(saver.Module(), 1, text, 256), 8);
    EXPECT_STREQ(text, L"Brimstar");
    EXPECT_EQ(::LoadStringW(saver.Module(), 101, text, 256), 18);
    EXPECT_STREQ(text, L"&About Brimstar...");
}

// ---------------------------------------------------------------------------------------------
// The version record.

// Keys and texts of the one string table, in the order the record must store them.
const std::vector<std::pair<std::wstring, std::wstring>>& ExpectedVersionStrings()
{
    static const std::vector<std::pair<std::wstring, std::wstring>> strings{
        {L"Comments", Widen(BRIMSTAR_ARTWORK_CREDIT)},
        {L"CompanyName", L"Tarnwick Inc."},
        {L"FileDescription", L"Brimstar Screen Saver"},
        {L"FileVersion", L"1, 0, 0, 1"},
        {L"InternalName", L"BRIMSTAR"},
        {L"LegalCopyright", Widen(BRIMSTAR_COPYRIGHT)},
        {L"LegalTrademarks", L""},
        {L"OriginalFilename", L"BRIMSTAR.SCR"},
        {L"PrivateBuild", L""},
        {L"ProductName", L"Brimstar Screen Saver"},
        {L"ProductVersion", L"1, 0, 0, 1"},
        {L"SpecialBuild", L""},
    };
    return strings;
}

class VersionInfo {
public:
    explicit VersionInfo(const std::wstring& path)
    {
        DWORD handle = 0;
        const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
        if (size == 0)
            return;
        m_block.resize(size);
        if (!::GetFileVersionInfoW(path.c_str(), 0, size, m_block.data()))
            m_block.clear();
    }

    bool Loaded() const { return !m_block.empty(); }

    bool Query(const std::wstring& subBlock, void*& value, UINT& length)
    {
        return ::VerQueryValueW(m_block.data(), subBlock.c_str(), &value, &length) != FALSE;
    }

private:
    std::vector<BYTE> m_block;
};

TEST(ResourceVersion, FixedPartThroughTheVersionApi)
{
    VersionInfo info(SaverPath());
    ASSERT_TRUE(info.Loaded());
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(info.Query(L"\\", value, length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwStrucVersion, 0x00010000u);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010000u);  // 1.0
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00000001u);  // .0.1
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed.dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed.dwFileFlags, 0u);
    EXPECT_EQ(fixed.dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed.dwFileSubtype, 0u);
    EXPECT_EQ(fixed.dwFileDateMS, 0u);
    EXPECT_EQ(fixed.dwFileDateLS, 0u);
}

TEST(ResourceVersion, TranslationAndEveryStringThroughTheVersionApi)
{
    VersionInfo info(SaverPath());
    ASSERT_TRUE(info.Loaded());
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(info.Query(L"\\VarFileInfo\\Translation", value, length));
    ASSERT_EQ(length, 4u);
    WORD translation[2];
    std::memcpy(translation, value, sizeof translation);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 0x04B0);

    for (const auto& [key, expected] : ExpectedVersionStrings()) {
        SCOPED_TRACE(std::string(key.begin(), key.end()));
        ASSERT_TRUE(info.Query(L"\\StringFileInfo\\040904b0\\" + key, value, length));
        // The length counts the stored terminating NUL, which readers rely on.
        ASSERT_EQ(length, expected.size() + 1);
        EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(value), length - 1), expected);
        EXPECT_EQ(static_cast<const wchar_t*>(value)[length - 1], L'\0');
    }
    // No second language or code page for a reader to pick by mistake.
    EXPECT_FALSE(info.Query(L"\\StringFileInfo\\040904e4\\CompanyName", value, length));
}

TEST(ResourceVersion, StoredBlocksAndKeyOrder)
{
    ResourceFile saver(SaverPath());
    ASSERT_NE(saver.Module(), nullptr);
    const Bytes raw = saver.Read(RT_VERSION, 1);
    ASSERT_GT(raw.Size(), 0u);
    const VersionNode root = ReadVersionNode(raw, 0, raw.Size());
    ASSERT_EQ(size_t{raw.At<WORD>(0)}, raw.Size());

    EXPECT_EQ(root.key, L"VS_VERSION_INFO");
    EXPECT_EQ(root.type, 0);
    ASSERT_EQ(root.valueLength, sizeof(VS_FIXEDFILEINFO));
    const auto fixed = raw.At<VS_FIXEDFILEINFO>(root.valueOffset);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00000001u);

    ASSERT_EQ(root.children.size(), 2u);
    const VersionNode& stringFileInfo = root.children[0];
    const VersionNode& varFileInfo = root.children[1];
    EXPECT_EQ(stringFileInfo.key, L"StringFileInfo");
    EXPECT_EQ(varFileInfo.key, L"VarFileInfo");

    ASSERT_EQ(stringFileInfo.children.size(), 1u);
    const VersionNode& table = stringFileInfo.children[0];
    EXPECT_EQ(table.key, L"040904b0");
    const auto& expected = ExpectedVersionStrings();
    ASSERT_EQ(table.children.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const VersionNode& entry = table.children[i];
        SCOPED_TRACE("string " + std::to_string(i));
        EXPECT_EQ(entry.key, expected[i].first);
        EXPECT_EQ(entry.type, 1) << "text values are marked as text";
        EXPECT_TRUE(entry.children.empty());
        ASSERT_EQ(entry.valueLength, expected[i].second.size() + 1);
        size_t end = 0;
        EXPECT_EQ(raw.WideStringAt(entry.valueOffset, end), expected[i].second);
    }

    ASSERT_EQ(varFileInfo.children.size(), 1u);
    const VersionNode& translation = varFileInfo.children[0];
    EXPECT_EQ(translation.key, L"Translation");
    EXPECT_EQ(translation.type, 0);
    ASSERT_EQ(translation.valueLength, 4);
    EXPECT_EQ(raw.At<WORD>(translation.valueOffset), 0x0409);
    EXPECT_EQ(raw.At<WORD>(translation.valueOffset + 2), 0x04B0);
}

// ---------------------------------------------------------------------------------------------
// The manifest.

const std::wstring kAsmV1 = L"urn:schemas-microsoft-com:asm.v1";
const std::wstring kAsmV3 = L"urn:schemas-microsoft-com:asm.v3";
const std::wstring kCompatibility = L"urn:schemas-microsoft-com:compatibility.v1";
const std::wstring kWindowsSettings2005 = L"http://schemas.microsoft.com/SMI/2005/WindowsSettings";
const std::wstring kWindowsSettings2016 = L"http://schemas.microsoft.com/SMI/2016/WindowsSettings";

// The modes of a dpiAwareness setting in order of preference, as the system reads the list:
// separated by commas, blanks around them ignored, letter case ignored.
std::vector<std::wstring> AwarenessModes(const std::wstring& setting)
{
    std::vector<std::wstring> modes;
    size_t start = 0;
    for (;;) {
        const size_t comma = setting.find(L',', start);
        modes.push_back(Lower(Trim(setting.substr(start, comma == std::wstring::npos ? comma : comma - start))));
        if (comma == std::wstring::npos)
            return modes;
        start = comma + 1;
    }
}

std::wstring ManifestText(const ResourceFile& file)
{
    const Bytes raw = file.Read(RT_MANIFEST, 1);
    std::wstring text;
    for (size_t i = 0; i < raw.Size(); ++i) {
        const auto c = raw.At<BYTE>(i);
        if (c >= 0x80)
            throw std::runtime_error("the manifest is expected to be plain ASCII");
        text.push_back(static_cast<wchar_t>(c));
    }
    return text;
}

TEST(ResourceManifest, DeclaresCommonControlsDpiAwarenessSupportedSystemsAndLevel)
{
    ResourceFile saver(SaverPath());
    ASSERT_NE(saver.Module(), nullptr);
    const std::wstring text = ManifestText(saver);
    ASSERT_FALSE(text.empty());
    const std::unique_ptr<XmlElement> assembly = XmlReader(text).ReadDocument();
    EXPECT_EQ(assembly->ns, kAsmV1);
    EXPECT_EQ(assembly->local, L"assembly");
    EXPECT_EQ(assembly->attributes[L"manifestVersion"], L"1.0");

    // Exactly one dependency: common controls 6.
    const auto dependencies = assembly->Find({{kAsmV1, L"dependency"}, {kAsmV1, L"dependentAssembly"}});
    ASSERT_EQ(dependencies.size(), 1u);
    const auto identities = dependencies[0]->Children(kAsmV1, L"assemblyIdentity");
    ASSERT_EQ(identities.size(), 1u);
    EXPECT_EQ(identities[0]->attributes, (std::map<std::wstring, std::wstring>{
                                             {L"type", L"win32"},
                                             {L"name", L"Microsoft.Windows.Common-Controls"},
                                             {L"version", L"6.0.0.0"},
                                             {L"processorArchitecture", L"*"},
                                             {L"publicKeyToken", L"6595b64144ccf1df"},
                                             {L"language", L"*"},
                                         }));

    // Per-monitor aware (v2) where the system has that mode, else system aware; and system aware
    // for the versions that know only the older setting. Each in the namespace where the system
    // looks for it.
    const auto dpiAware = assembly->Find(
        {{kAsmV3, L"application"}, {kAsmV3, L"windowsSettings"}, {kWindowsSettings2005, L"dpiAware"}});
    ASSERT_EQ(dpiAware.size(), 1u);
    EXPECT_EQ(Trim(dpiAware[0]->text), L"true");
    const auto dpiAwareness = assembly->Find(
        {{kAsmV3, L"application"}, {kAsmV3, L"windowsSettings"}, {kWindowsSettings2016, L"dpiAwareness"}});
    ASSERT_EQ(dpiAwareness.size(), 1u);
    EXPECT_EQ(AwarenessModes(dpiAwareness[0]->text), (std::vector<std::wstring>{L"permonitorv2", L"system"}));

    std::set<std::wstring> supported;
    for (const XmlElement* os :
         assembly->Find({{kCompatibility, L"compatibility"}, {kCompatibility, L"application"}, {kCompatibility, L"supportedOS"}}))
        supported.insert(Lower(os->attributes.count(L"Id") ? os->attributes.at(L"Id") : L""));
    EXPECT_EQ(supported, (std::set<std::wstring>{
                             L"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
                             L"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
                             L"{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
                             L"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
                         }));

    const auto levels = assembly->Find({{kAsmV3, L"trustInfo"},
                                        {kAsmV3, L"security"},
                                        {kAsmV3, L"requestedPrivileges"},
                                        {kAsmV3, L"requestedExecutionLevel"}});
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_EQ(levels[0]->attributes, (std::map<std::wstring, std::wstring>{{L"level", L"asInvoker"},
                                                                           {L"uiAccess", L"false"}}));
}

// comctl32.dll from the side-by-side assembly of common controls 6: its folder is named by the
// assembly's identity, here and on Windows.
bool IsCommonControls6(const std::wstring& modulePath)
{
    const std::wstring path = Lower(modulePath);
    const std::wstring file = L"\\comctl32.dll";
    return path.find(L"\\winsxs\\") != std::wstring::npos &&
           path.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6.0.") != std::wstring::npos &&
           path.size() > file.size() && path.compare(path.size() - file.size(), file.size(), file) == 0;
}

// The files of the modules a running process has loaded.
std::vector<std::wstring> ModulesOf(HANDLE process)
{
    std::vector<HMODULE> modules(256);
    DWORD needed = 0;
    for (;;) {
        const auto bytes = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
        if (!::EnumProcessModulesEx(process, modules.data(), bytes, &needed, LIST_MODULES_ALL))
            return {};
        if (needed <= bytes)
            break;
        modules.resize(needed / sizeof(HMODULE));
    }
    modules.resize(needed / sizeof(HMODULE));
    std::vector<std::wstring> files;
    for (const HMODULE module : modules) {
        wchar_t file[MAX_PATH] = {};
        if (::GetModuleFileNameExW(process, module, file, MAX_PATH))
            files.emplace_back(file);
    }
    return files;
}

class ActivationContext {
public:
    explicit ActivationContext(const std::wstring& executable)
    {
        ACTCTXW request{};
        request.cbSize = sizeof request;
        request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        request.lpSource = executable.c_str();
        request.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
        m_context = ::CreateActCtxW(&request);
    }
    ActivationContext(const ActivationContext&) = delete;
    ActivationContext& operator=(const ActivationContext&) = delete;
    ~ActivationContext()
    {
        if (m_context != INVALID_HANDLE_VALUE)
            ::ReleaseActCtx(m_context);
    }

    HANDLE Handle() const { return m_context; }

private:
    HANDLE m_context = INVALID_HANDLE_VALUE;
};

// One answer of QueryActCtxW: a structure followed by the strings it points to. Held in whole
// structures so that both stay aligned; empty when the query fails.
template <class Info>
std::vector<Info> QueryContext(HANDLE context, PVOID subInstance, ULONG infoClass)
{
    SIZE_T size = 0;
    ::QueryActCtxW(0, context, subInstance, infoClass, nullptr, 0, &size);
    std::vector<Info> answer(size / sizeof(Info) + 1);
    if (!::QueryActCtxW(0, context, subInstance, infoClass, answer.data(), answer.size() * sizeof(Info), &size))
        answer.clear();
    return answer;
}

// The encoded identities of the assemblies an activation context holds: the program's own
// manifest first, then what it depends on.
std::vector<std::wstring> AssembliesOf(HANDLE context)
{
    const auto details =
        QueryContext<ACTIVATION_CONTEXT_DETAILED_INFORMATION>(context, nullptr, ActivationContextDetailedInformation);
    if (details.empty())
        return {};
    std::vector<std::wstring> identities;
    for (DWORD index = 1; index <= details[0].ulAssemblyCount; ++index) {
        const auto assembly = QueryContext<ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION>(
            context, &index, AssemblyDetailedInformationInActivationContext);
        if (assembly.empty())
            return {};
        const PCWSTR identity = assembly[0].lpAssemblyEncodedAssemblyIdentity;
        identities.emplace_back(identity ? identity : L"");
    }
    return identities;
}

TEST(ResourceManifest, ThePlatformReadsItAsTheProcessWould)
{
    // The same manifest the loader reads when the saver starts.
    ActivationContext context(SaverPath());
    ASSERT_NE(context.Handle(), INVALID_HANDLE_VALUE) << "the platform rejected the manifest, error " << ::GetLastError();

    wchar_t setting[64] = {};
    SIZE_T written = 0;
    ASSERT_TRUE(::QueryActCtxSettingsW(0, context.Handle(), kWindowsSettings2005.c_str(), L"dpiAware", setting,
                                       std::size(setting), &written))
        << "error " << ::GetLastError();
    EXPECT_STREQ(setting, L"true");
    ASSERT_TRUE(::QueryActCtxSettingsW(0, context.Handle(), kWindowsSettings2016.c_str(), L"dpiAwareness", setting,
                                       std::size(setting), &written))
        << "error " << ::GetLastError();
    EXPECT_EQ(AwarenessModes(setting), (std::vector<std::wstring>{L"permonitorv2", L"system"}));

    // The context binds common controls 6: the platform found the assembly the dependency names.
    // (Asked of this context alone: this test program carries the same manifest, so loading
    // comctl32.dll here would find version 6 through the program's own context anyway.)
    const std::vector<std::wstring> assemblies = AssembliesOf(context.Handle());
    ASSERT_FALSE(assemblies.empty()) << "error " << ::GetLastError();
    const auto isCommonControls6 = [](const std::wstring& identity) {
        return identity.rfind(L"Microsoft.Windows.Common-Controls,", 0) == 0 &&
               identity.find(L"version=\"6.0.") != std::wstring::npos;
    };
    EXPECT_EQ(std::count_if(assemblies.begin(), assemblies.end(), isCommonControls6), 1);
}

// The DPI awareness the system gave a window, through the functions of Windows 10 version 1607
// (looked up, as this program is built for older versions too).
class WindowDpiAwareness {
public:
    WindowDpiAwareness()
    {
        const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
        m_contextOf = Lookup<HANDLE(WINAPI*)(HWND)>(user32, "GetWindowDpiAwarenessContext");
        m_awarenessOf = Lookup<int(WINAPI*)(HANDLE)>(user32, "GetAwarenessFromDpiAwarenessContext");
        m_equal = Lookup<BOOL(WINAPI*)(HANDLE, HANDLE)>(user32, "AreDpiAwarenessContextsEqual");
    }

    bool Available() const { return m_contextOf && m_awarenessOf && m_equal; }
    // DPI_AWARENESS: 0 unaware, 1 system aware, 2 per monitor; -1 for no such window.
    int Awareness(HWND window) const { return m_awarenessOf(m_contextOf(window)); }
    bool PerMonitorV2(HWND window) const
    {
        const auto perMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));  // its documented value
        return m_equal(m_contextOf(window), perMonitorV2) != FALSE;
    }

    static constexpr int kPerMonitorAware = 2;

private:
    template <class Function> static Function Lookup(HMODULE module, const char* name)
    {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    }

    HANDLE(WINAPI* m_contextOf)(HWND) = nullptr;
    int(WINAPI* m_awarenessOf)(HANDLE) = nullptr;
    BOOL(WINAPI* m_equal)(HANDLE, HANDLE) = nullptr;
};

// A window of the saver runs per-monitor aware, version 2: drawn in physical pixels, never
// stretched by the system. Wine 8 reads the manifest's dpiAwareness but has one per-monitor
// mode for every process, declared or not, and no version 2 to tell apart; so under Wine this
// sees that the system runs the window per monitor, and only Windows can show the version.
void ExpectPerMonitorV2(const WindowDpiAwareness& dpi, HWND window)
{
    EXPECT_EQ(dpi.Awareness(window), WindowDpiAwareness::kPerMonitorAware);
    if (!testing_support::WineVersion()) {
        EXPECT_TRUE(dpi.PerMonitorV2(window));
    }
}

TEST(ResourceManifest, SaverStartsWithItPerMonitorAwareAndItsDialogGetsCommonControls6)
{
    const WindowDpiAwareness dpi;
    ASSERT_TRUE(dpi.Available()) << "the system cannot tell a window's DPI awareness (before Windows 10 1607)";
    // Full screen.
    {
        ChildProcess saver(SaverPath(), L"/s");
        ASSERT_TRUE(saver.Started());
        const HWND window = saver.WaitForVisibleWindow(std::chrono::seconds(30));
        ASSERT_NE(window, nullptr);
        ExpectPerMonitorV2(dpi, window);
    }
    // Settings: the dialog's buttons and bar are made through the classes the manifest's context
    // names, so by the time it shows, the process has common controls 6 loaded.
    {
        ChildProcess saver(SaverPath(), L"/c");
        ASSERT_TRUE(saver.Started());
        const HWND dialog = saver.WaitForVisibleWindow(std::chrono::seconds(30));
        ASSERT_NE(dialog, nullptr);
        wchar_t className[64] = {};
        ::GetClassNameW(dialog, className, 64);
        EXPECT_STREQ(className, L"#32770");
        for (const int control : {IDOK, IDCANCEL, IDC_SPEED})
            EXPECT_NE(::GetDlgItem(dialog, control), nullptr) << "control " << control;
        ExpectPerMonitorV2(dpi, dialog);
        const std::vector<std::wstring> modules = ModulesOf(saver.Handle());
        ASSERT_FALSE(modules.empty()) << "cannot list the saver's modules, error " << ::GetLastError();
        EXPECT_TRUE(std::any_of(modules.begin(), modules.end(), IsCommonControls6));
        ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(saver.WaitForExit(std::chrono::seconds(30)));
        EXPECT_EQ(saver.ExitCode(), 0u);
    }
}

// ---------------------------------------------------------------------------------------------
// What the executable needs beside itself.

bool IsWindowsSystemDll(const std::wstring& name)
{
    static const std::set<std::wstring> system{L"kernel32.dll", L"user32.dll", L"gdi32.dll", L"advapi32.dll",
                                               L"msvcrt.dll"};
    // The universal C runtime's API sets, should the runtime be built against it.
    return system.count(name) != 0 || name.rfind(L"api-ms-win-crt-", 0) == 0;
}

TEST(ResourceImports, OnlyWindowsSystemDlls)
{
    const ImportedDlls saver = ReadImports(SaverPath());
    EXPECT_EQ(saver.machine, IMAGE_FILE_MACHINE_AMD64);
    EXPECT_EQ(saver.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    ASSERT_FALSE(saver.names.empty());
    for (const std::wstring& dll : saver.names)
        EXPECT_TRUE(IsWindowsSystemDll(dll)) << std::string(dll.begin(), dll.end()) << " is not a Windows system DLL";
    // It draws and makes windows: the reader found the real table.
    for (const wchar_t* needed : {L"kernel32.dll", L"user32.dll", L"gdi32.dll"})
        EXPECT_NE(std::find(saver.names.begin(), saver.names.end(), needed), saver.names.end())
            << "no import of " << std::string(needed, needed + std::wcslen(needed));

    // The same reader on this test program finds version.dll, which the saver must not need.
    const ImportedDlls test = ReadImports(testing_support::ThisTestProgram());
    EXPECT_NE(std::find(test.names.begin(), test.names.end(), L"version.dll"), test.names.end());
}

}  // namespace
