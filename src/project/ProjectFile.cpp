#include "project/ProjectFile.h"

#include "project/Messages.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {

void DropCrBeforeLf(std::string& text)
{
    size_t to = text.find("\r\n");
    if (to == std::string::npos)
        return;
    size_t from = to + 1;
    while (from < text.size()) {
        size_t next = text.find("\r\n", from + 1);
        size_t end = next == std::string::npos ? text.size() : next;
        std::memmove(text.data() + to, text.data() + from, end - from);
        to += end - from;
        from = end + 1;
    }
    text.resize(to);
}

ProjectReader::ProjectReader(std::string_view diskText) : m_text(diskText)
{
    DropCrBeforeLf(m_text);
}

ProjectReader::ProjectReader(std::string&& diskText, int) : m_text(std::move(diskText))
{
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
    size_t end = m_text.find('\n', m_pos);
    std::string_view line;
    if (end == std::string::npos) {
        line = std::string_view(m_text).substr(m_pos);
        m_pos = m_text.size();
    } else {
        line = std::string_view(m_text).substr(m_pos, end - m_pos);
        m_pos = end + 1;
    }
    return line;
}

std::string_view ProjectReader::Take(size_t count)
{
    std::string_view taken = std::string_view(m_text).substr(m_pos, count);
    m_pos += taken.size();
    return taken;
}

void ProjectWriter::Raw(std::string_view text)
{
    for (size_t lf; (lf = text.find('\n')) != std::string_view::npos; text.remove_prefix(lf + 1)) {
        m_disk.append(text.data(), lf);
        m_disk += "\r\n";
    }
    m_disk += text;
}

std::string ProjectWriter::Text() const
{
    std::string text = m_disk;
    DropCrBeforeLf(text);
    return text;
}

bool ProjectWriter::Commit(const std::string& path) const
{
    return WriteFileAtomically(path, m_disk);
}

ReadResult ReadValue(ProjectReader& in, std::string_view key)
{
    size_t start = in.Position();
    auto line = in.NextLine();
    if (!line)
        return {};
    size_t eq = line->find('=');
    std::string_view lineKey = line->substr(0, eq);
    // An empty line, or one holding only "=", matches whatever is expected.
    if (line->empty() || *line == "=")
        return {true, {}};
    if (lineKey != key) {
        in.Rewind(start);
        return {};
    }
    if (eq == std::string_view::npos)
        return {true, {}};
    return {true, std::string(line->substr(eq + 1))};
}

long ParseDecimal(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        int digit = text[i] - '0';
        if (value > (LONG_MAX - digit) / 10)
            return negative ? LONG_MIN : LONG_MAX;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

long ReadNumber(ProjectReader& in, std::string_view key, bool* found)
{
    ReadResult r = ReadValue(in, key);
    if (found)
        *found = r.found;
    return r.found ? ParseDecimal(r.text) : 0;
}

MarkedResult ReadMarkedValue(ProjectReader& in, std::string_view key, std::string& text)
{
    text.clear();
    if (in.AtEnd())
        return MarkedResult::End;
    ReadResult r = ReadValue(in, key);
    if (!r.found)
        return MarkedResult::OtherKey;
    if (!in.NextLine())
        return MarkedResult::End;
    text = std::move(r.text);
    return MarkedResult::Found;
}

ReadResult ReadBlock(ProjectReader& in, std::string_view key, long length)
{
    size_t textLength = length > 0 ? static_cast<size_t>(length) : 0;
    std::string_view chunk = in.Take(key.size() + 1 + textLength + 1);
    size_t split = chunk.find_first_of("=\n");
    if (split == std::string_view::npos || chunk.substr(0, split) != key)
        return {};
    std::string_view body = chunk.substr(split + 1);
    body = body.substr(0, std::min(body.size(), textLength));

    // The writer ends the text with its own LF; a text that already ended with a
    // line break does not gain an empty line. Empty lines inside are kept.
    if (!body.empty() && body.back() == '\n')
        body.remove_suffix(1);
    std::string text;
    if (textLength == 0)
        return {true, text};
    text.reserve(body.size() + body.size() / 16 + 2);
    size_t pos = 0;
    while (true) {
        size_t lf = body.find('\n', pos);
        std::string_view line = body.substr(pos, lf == std::string_view::npos ? std::string_view::npos : lf - pos);
        text += line;
        if (line.empty() || line.back() != '\r')
            text += '\r';
        text += '\n';
        if (lf == std::string_view::npos)
            break;
        pos = lf + 1;
    }
    return {true, std::move(text)};
}

namespace {

// A plain value runs to the end of its line, so a line break inside it would
// turn the rest into a stray entry; it is written as a blank instead.
void AppendOneLine(std::string& out, std::string_view text)
{
    for (size_t cut; (cut = text.find_first_of("\r\n")) != std::string_view::npos; text.remove_prefix(cut + 1)) {
        out.append(text.data(), cut);
        out += ' ';
    }
    out += text;
}

} // namespace

void ProjectWriter::Value(std::string_view key, std::string_view text)
{
    m_disk += key;
    m_disk += '=';
    AppendOneLine(m_disk, text);
    m_disk += "\r\n";
}

void WriteValue(ProjectWriter& out, std::string_view key, std::string_view text)
{
    out.Value(key, text);
}

void WriteNumber(ProjectWriter& out, std::string_view key, long number)
{
    WriteValue(out, key, std::to_string(number));
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
    for (size_t cr; (cr = text.find('\r')) != std::string_view::npos; text.remove_prefix(cr + 1))
        out.Raw(text.substr(0, cr));
    out.Raw(text);
    out.Raw("\n");
}

long BlockLength(std::string_view text)
{
    return static_cast<long>(text.size() - std::count(text.begin(), text.end(), '\r'));
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
