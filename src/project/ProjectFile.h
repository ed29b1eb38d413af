#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// The text of a project file or web configuration, read line by line with the
// ability to leave a line in place for the next expected key. The whole file is
// held in memory with every CR LF turned into LF; a lone CR stays as it is.
class ProjectReader {
public:
    explicit ProjectReader(std::string_view diskText);

    static std::optional<ProjectReader> FromFile(const std::string& path);

    bool AtEnd() const { return m_pos >= m_text.size(); }
    size_t Size() const { return m_text.size(); }
    size_t Position() const { return m_pos; }

    // The next line without its LF, or nothing at the end of the text.
    std::optional<std::string_view> NextLine();
    void Rewind(size_t position) { m_pos = position; }
    // Up to count characters from the current position.
    std::string_view Take(size_t count);

private:
    // Takes the bytes of a file without copying them.
    ProjectReader(std::string&& diskText, int);

    std::string m_text;
    size_t m_pos = 0;
};

// Builds the text of a project file in memory as it goes to disk, with CR LF
// line ends; Commit() writes it in one piece through a temporary file, so a
// failed save leaves the old file.
class ProjectWriter {
public:
    // Room for about that many bytes, so the text does not move as it grows.
    void Reserve(size_t bytes) { m_disk.reserve(bytes); }
    // Every LF of text goes to disk as CR LF.
    void Raw(std::string_view text);
    // A "key=text" line; line breaks in text become blanks.
    void Value(std::string_view key, std::string_view text);
    // The text with LF line ends.
    std::string Text() const;
    const std::string& DiskText() const { return m_disk; }
    bool Commit(const std::string& path) const;

private:
    std::string m_disk;
};

enum class MarkedResult { Found, OtherKey, End };

struct ReadResult {
    bool found = false;
    std::string text;
};

ReadResult ReadValue(ProjectReader& in, std::string_view key);
long ReadNumber(ProjectReader& in, std::string_view key, bool* found = nullptr);
MarkedResult ReadMarkedValue(ProjectReader& in, std::string_view key, std::string& text);
// Reads a sized block whose length entry gave length; the text comes back with
// CR LF line ends, the last line included.
ReadResult ReadBlock(ProjectReader& in, std::string_view key, long length);

void WriteValue(ProjectWriter& out, std::string_view key, std::string_view text);
void WriteNumber(ProjectWriter& out, std::string_view key, long number);
void WriteMarkedValue(ProjectWriter& out, std::string_view key, std::string_view text);
void WriteBlock(ProjectWriter& out, std::string_view key, std::string_view text);
long BlockLength(std::string_view text);

// Decimal text as the C library's atol reads it, saturating instead of overflowing.
long ParseDecimal(std::string_view text);

// Turns every CR LF into LF in place; a lone CR stays.
void DropCrBeforeLf(std::string& text);

// Writes bytes to path through a temporary file in the same folder and a rename.
// The file gets mode when one is given, else keeps the mode of the file it replaces.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, int mode = -1);
// The bytes of a regular file of at most limit bytes; nothing for anything else
// (a device, a pipe or a folder) or on a read error.
std::optional<std::string> ReadWholeFile(const std::string& path, size_t limit = SIZE_MAX);

// The most a page, template or project may hold: a hostile project cannot make
// the program read without end.
constexpr size_t kMaxProjectFileBytes = size_t{64} << 20;

// The message for a page, template or project that could not be read: a file
// that is there but no ordinary file of kMaxProjectFileBytes is told apart from
// a missing one.
std::string UnreadableFileMessage(const std::string& path);

} // namespace quillet
