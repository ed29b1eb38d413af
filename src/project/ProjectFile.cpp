#include "project/ProjectFile.h"

#include "project/Messages.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// How a key looks on its line, for messages: "KEY=", or the bare "DATASOURCES".
std::string KeyText(std::string_view key)
{
    std::string text = "\"" + std::string(key);
    if (key != "DATASOURCES")
        text += '=';
    return text + "\"";
}

} // namespace

// One pass from CR to CR: a project of ten thousand actions has a CR on every line.
void DropCrBeforeLf(std::string& text)
{
    char* data = text.data();
    size_t size = text.size();
    size_t to = 0;
    size_t from = 0;
    while (from < size) {
        const void* found = std::memchr(data + from, '\r', size - from);
        size_t cr = found ? static_cast<size_t>(static_cast<const char*>(found) - data) : size;
        if (to != from)
            std::memmove(data + to, data + from, cr - from);
        to += cr - from;
        if (cr == size)
            break;
        // A CR of its own stays; the LF after one that is dropped is copied with the next run.
        if (cr + 1 == size || data[cr + 1] != '\n')
            data[to++] = '\r';
        from = cr + 1;
    }
    text.resize(to);
}

ProjectReader::ProjectReader(std::string_view diskText) : ProjectReader(std::string(diskText), 0) {}

ProjectReader::ProjectReader(std::string&& diskText, int) : m_text(std::move(diskText))
{
    if (std::string_view(m_text).starts_with(kByteOrderMark)) {
        m_byteOrderMark = true;
        m_text.erase(0, kByteOrderMark.size());
    }
    DropCrBeforeLf(m_text);
}

std::optional<ProjectReader> ProjectReader::FromFile(const std::string& path)
{
    auto bytes = ReadWholeFile(path, kMaxProjectFileBytes);
    if (!bytes)
        return std::nullopt;
    return ProjectReader(std::move(*bytes), 0);
}

std::optional<std::string_view> ProjectReader::NextLine()
{
    if (AtEnd())
        return std::nullopt;
    size_t start = m_pos;
    size_t end = m_text.find('\n', m_pos);
    std::string_view line;
    if (end == std::string::npos) {
        line = std::string_view(m_text).substr(m_pos);
        m_pos = m_text.size();
    } else {
        line = std::string_view(m_text).substr(m_pos, end - m_pos);
        m_pos = end + 1;
    }
    // The writer never writes either; taking them as values would change the
    // file on the next save, so the reading stops here.
    if (line.empty() || line.back() == '\r') {
        m_pos = start;
        Fail(start, FormatMessage(line.empty() ? Msg::ExpectedNoBlankLine : Msg::ExpectedLineEnd));
        return std::nullopt;
    }
    return line;
}

std::string_view ProjectReader::Take(size_t count)
{
    if (m_error)
        return {};
    std::string_view taken = std::string_view(m_text).substr(m_pos, count);
    m_pos += taken.size();
    return taken;
}

size_t ProjectReader::RoomFor(long count, size_t minBytes) const
{
    size_t left = AtEnd() ? 0 : m_text.size() - m_pos;
    return count <= 0 ? 0 : std::min(static_cast<size_t>(count), left / minBytes);
}

void ProjectReader::NoteMissed(size_t position, std::string_view key)
{
    if (m_missedAt == position)
        return;
    m_missedAt = position;
    m_missedKey = key;
}

int ProjectReader::LineAt(size_t position) const
{
    position = std::min(position, m_text.size());
    auto end = m_text.begin() + static_cast<std::ptrdiff_t>(position);
    int line = 1 + static_cast<int>(std::count(m_text.begin(), end, '\n'));
    // At the end of a text whose last line has no line end, the missing next line is meant.
    if (position == m_text.size() && position > 0 && m_text.back() != '\n')
        ++line;
    return line;
}

void ProjectReader::Record(size_t position, std::string text, bool expected)
{
    if (m_error)
        return;
    int line = LineAt(position);
    Msg id = expected ? Msg::ProjectLineExpected : Msg::ProjectLineRefused;
    m_error = ReadError{line, FormatMessage(id, {std::to_string(line), text})};
}

void ProjectReader::Fail(size_t position, std::string expected)
{
    Record(position, std::move(expected), true);
}

void ProjectReader::FailMissing(size_t position, std::string expected)
{
    if (m_missedAt == position && !m_missedKey.empty())
        expected = KeyText(m_missedKey);
    Record(position, std::move(expected), true);
}

void ProjectReader::Refuse(size_t position, std::string message)
{
    Record(position, std::move(message), false);
}

bool ProjectReader::ExpectEnd()
{
    if (!AtEnd())
        FailMissing(m_pos, FormatMessage(Msg::ExpectedEndOfFile));
    return !m_error;
}

ProjectWriter::ProjectWriter(std::function<void(std::string_view)> sink) : m_sink(std::move(sink))
{
    Reserve(kPieceBytes + 4096);
}

void ProjectWriter::Reserve(size_t bytes)
{
    if (bytes <= m_capacity)
        return;
    // Not filled: pages of a large reserve that are never written take no memory.
    auto data = std::make_unique_for_overwrite<char[]>(bytes);
    if (m_size > 0)
        std::memcpy(data.get(), m_data.get(), m_size);
    m_data = std::move(data);
    m_capacity = bytes;
}

void ProjectWriter::Raw(std::string_view text)
{
    for (size_t lf; (lf = text.find('\n')) != std::string_view::npos; text.remove_prefix(lf + 1)) {
        Append(text.substr(0, lf));
        Append("\r\n");
    }
    Append(text);
    Grown();
}

void ProjectWriter::Flush()
{
    if (m_sink && m_size > 0) {
        m_sink(DiskText());
        m_size = 0;
    }
}

void ProjectWriter::SetByteOrderMark(bool mark)
{
    if (!mark || DiskText().starts_with(kByteOrderMark))
        return;
    Reserve(m_size + kByteOrderMark.size());
    std::memmove(m_data.get() + kByteOrderMark.size(), m_data.get(), m_size);
    std::memcpy(m_data.get(), kByteOrderMark.data(), kByteOrderMark.size());
    m_size += kByteOrderMark.size();
}

std::string ProjectWriter::Text() const
{
    std::string text(DiskText());
    DropCrBeforeLf(text);
    return text;
}

bool ProjectWriter::Commit(const std::string& path) const
{
    return WriteFileAtomically(path, DiskText());
}

std::optional<std::string_view> ReadValueView(ProjectReader& in, std::string_view key, bool listEntry)
{
    size_t start = in.Position();
    auto line = in.NextLine();
    if (!line)
        return std::nullopt;
    // No key holds "=", so the key is all that comes before the line's first one.
    if (!line->starts_with(key) || (line->size() > key.size() && (*line)[key.size()] != '=')) {
        in.Rewind(start);
        if (!listEntry)
            in.NoteMissed(start, key);
        return std::nullopt;
    }
    return line->substr(std::min(line->size(), key.size() + 1));
}

ReadResult ReadValue(ProjectReader& in, std::string_view key, bool listEntry)
{
    std::optional<std::string_view> value = ReadValueView(in, key, listEntry);
    if (!value)
        return {};
    return {true, std::string(*value)};
}

void ReadText(ProjectReader& in, std::string_view key, std::string& text)
{
    std::optional<std::string_view> value = ReadValueView(in, key);
    text.assign(value.value_or(std::string_view()));
}

std::optional<long> ParseWholeNumber(std::string_view text)
{
    bool negative = text.starts_with('-');
    std::string_view digits = text.substr(negative ? 1 : 0);
    if (digits.empty())
        return std::nullopt;
    long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        int digit = c - '0';
        // Counting down reaches LONG_MIN, which counting up cannot hold.
        if (value < (LONG_MIN + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative && value == LONG_MIN)
        return std::nullopt;
    return negative ? value : -value;
}

namespace {

std::optional<long> ReadWholeNumber(ProjectReader& in, std::string_view key, bool* found, bool listEntry)
{
    size_t start = in.Position();
    std::optional<std::string_view> text = ReadValueView(in, key, listEntry);
    if (found)
        *found = text.has_value();
    if (!text)
        return 0;
    std::optional<long> number = ParseWholeNumber(*text);
    if (!number)
        in.Fail(start, FormatMessage(Msg::ExpectedNumberAfter, {KeyText(key)}));
    return number;
}

} // namespace

long ReadNumber(ProjectReader& in, std::string_view key, bool* found, bool listEntry)
{
    return ReadWholeNumber(in, key, found, listEntry).value_or(0);
}

int ReadInt(ProjectReader& in, std::string_view key, bool* found)
{
    size_t start = in.Position();
    long number = ReadNumber(in, key, found);
    if (number < INT32_MIN || number > INT32_MAX) {
        in.Fail(start, FormatMessage(Msg::ExpectedNumberAfter, {KeyText(key)}));
        return 0;
    }
    return static_cast<int>(number);
}

long ReadCount(ProjectReader& in, std::string_view key, bool* found)
{
    size_t start = in.Position();
    long count = ReadNumber(in, key, found);
    if (count < 0) {
        in.Fail(start, FormatMessage(Msg::ExpectedCountAfter, {KeyText(key)}));
        return 0;
    }
    return count;
}

namespace {

bool IsHexNumber(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    });
}

bool IsCompanionLine(std::string_view line)
{
    size_t blank = line.find(' ');
    return blank != std::string_view::npos && IsHexNumber(line.substr(0, blank)) && IsHexNumber(line.substr(blank + 1));
}

} // namespace

MarkedResult ReadMarkedValue(ProjectReader& in, std::string_view key, std::string& text)
{
    text.clear();
    if (in.AtEnd())
        return MarkedResult::End;
    ReadResult r = ReadValue(in, key);
    if (!r.found)
        return in.Failed() ? MarkedResult::End : MarkedResult::OtherKey;
    size_t companionStart = in.Position();
    auto companion = in.NextLine();
    if (!companion || !IsCompanionLine(*companion)) {
        in.Fail(companionStart, FormatMessage(Msg::ExpectedCompanion, {KeyText(key)}));
        return MarkedResult::End;
    }
    text = std::move(r.text);
    return MarkedResult::Found;
}

ReadResult ReadBlock(ProjectReader& in, std::string_view key, long length)
{
    size_t start = in.Position();
    if (length < 0) {
        in.Fail(start, FormatMessage(Msg::ExpectedCountAfter, {KeyText(key)}));
        return {};
    }
    size_t textLength = static_cast<size_t>(length);
    std::string_view head = in.Take(key.size() + 1);
    if (head.substr(0, key.size()) != key || !head.ends_with('=')) {
        in.Rewind(start);
        in.NoteMissed(start, key);
        in.FailMissing(start, KeyText(key));
        return {};
    }
    std::string_view body = in.Take(textLength);
    std::string_view lineEnd = in.Take(1);
    // The last block of a file may end without a line end.
    if (body.size() != textLength || (lineEnd != "\n" && !(lineEnd.empty() && in.AtEnd()))) {
        in.Fail(start, FormatMessage(Msg::ExpectedBlockEnd, {KeyText(key), std::to_string(length)}));
        return {};
    }
    std::string text;
    text.reserve(body.size() + body.size() / 16);
    for (char c : body) {
        if (c == '\n')
            text += '\r';
        text += c;
    }
    return {true, std::move(text)};
}

ReadResult ReadLineBlock(ProjectReader& in, std::string_view key, long length)
{
    ReadResult r = ReadBlock(in, key, length);
    while (!r.text.empty() && (r.text.back() == '\n' || r.text.back() == '\r'))
        r.text.pop_back();
    return r;
}

// A plain value runs to the end of its line, so a line break inside it would
// turn the rest into a stray entry; it is written as a blank instead. A lone CR
// is kept, except at the end, where it would read as a CR CR LF line end.
void ProjectWriter::Value(std::string_view key, std::string_view text)
{
    Append(key);
    Append("=");
    while (!text.empty() && text.back() == '\r')
        text.remove_suffix(1);
    for (size_t lf; (lf = text.find('\n')) != std::string_view::npos; text.remove_prefix(lf + 1)) {
        Append(text.substr(0, lf > 0 && text[lf - 1] == '\r' ? lf - 1 : lf));
        Append(" ");
    }
    Append(text);
    Append("\r\n");
    Grown();
}

void WriteValue(ProjectWriter& out, std::string_view key, std::string_view text)
{
    out.Value(key, text);
}

void WriteNumber(ProjectWriter& out, std::string_view key, long number)
{
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    WriteValue(out, key, std::string_view(digits, static_cast<size_t>(end - digits)));
}

void WriteMarkedValue(ProjectWriter& out, std::string_view key, std::string_view text)
{
    WriteValue(out, key, text);
    out.Raw("0 0\n");
}

void WriteBlock(ProjectWriter& out, std::string_view key, std::string_view text)
{
    out.Raw(key);
    out.Raw("=");
    // A CR of a CR LF goes back with the line end; a lone CR stays.
    for (size_t crlf; (crlf = text.find("\r\n")) != std::string_view::npos; text.remove_prefix(crlf + 1))
        out.Raw(text.substr(0, crlf));
    out.Raw(text);
    out.Raw("\n");
}

long BlockLength(std::string_view text)
{
    size_t crLf = 0;
    for (size_t at = text.find("\r\n"); at != std::string_view::npos; at = text.find("\r\n", at + 2))
        ++crLf;
    return static_cast<long>(text.size() - crLf);
}

std::optional<std::string> ReadWholeFile(const std::string& path, size_t limit)
{
    // Not blocking, so that a FIFO in a page's place is refused rather than waited on.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<unsigned long long>(st.st_size) > limit) {
        close(fd);
        return std::nullopt;
    }
    // One buffer of the file's size; a file that grows meanwhile is read to its end, or to the limit.
    std::string bytes(static_cast<size_t>(st.st_size) + 1, '\0');
    size_t filled = 0;
    while (true) {
        if (filled == bytes.size())
            bytes.resize(bytes.size() * 2);
        ssize_t n = read(fd, bytes.data() + filled, bytes.size() - filled);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || filled + static_cast<size_t>(n) > limit) {
            close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        filled += static_cast<size_t>(n);
    }
    close(fd);
    bytes.resize(filled);
    return bytes;
}

std::string UnreadableFileMessage(const std::string& path)
{
    struct stat st;
    bool present = stat(path.c_str(), &st) == 0;
    if (present && (!S_ISREG(st.st_mode) || static_cast<unsigned long long>(st.st_size) > kMaxProjectFileBytes))
        return FormatMessage(Msg::NotAnOrdinaryFile, {path});
    return FormatMessage(Msg::CantFindFile, {path});
}

bool WriteAll(int fd, std::string_view bytes)
{
    const char* data = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

namespace {

// The file a save must replace: a link's target, so the link itself stays.
std::string SaveTarget(const std::string& path)
{
    char resolved[PATH_MAX];
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && realpath(path.c_str(), resolved))
        return resolved;
    return path;
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, int wanted)
{
    std::string target = SaveTarget(path);
    std::string temp = target + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    // A replaced file keeps its mode; a new one gets the usual mode of a user file.
    struct stat st;
    mode_t mode;
    if (wanted >= 0) {
        mode = static_cast<mode_t>(wanted);
    } else if (stat(target.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = WriteAll(fd, bytes) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok && std::rename(temp.c_str(), target.c_str()) == 0)
        return true;
    std::remove(temp.c_str());
    return false;
}

} // namespace quillet
