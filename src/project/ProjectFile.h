#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// Where a project file stopped making sense: the line, and the message that
// names it and says what belonged there.
struct ReadError {
    int line = 0;
    std::string message;
};

// The text of a project file or web configuration, read line by line with the
// ability to leave a line in place for the next expected key. The whole file is
// held in memory with every CR LF turned into LF; a lone CR stays as it is. A
// UTF-8 byte-order mark in front is skipped and remembered.
//
// Reading is strict: a blank line, a line that ends in CR (a CR CR LF line end
// on disk) or a value that a reader calls bad stops the reading. The first
// failure is kept; from then on every read finds the end of the text, so the
// record readers unwind without further checks.
class ProjectReader {
public:
    explicit ProjectReader(std::string_view diskText);

    static std::optional<ProjectReader> FromFile(const std::string& path);

    bool AtEnd() const { return m_error || m_pos >= m_text.size(); }
    size_t Size() const { return m_text.size(); }
    size_t Position() const { return m_pos; }
    bool HasByteOrderMark() const { return m_byteOrderMark; }

    // The next line without its LF, or nothing at the end of the text.
    std::optional<std::string_view> NextLine();
    void Rewind(size_t position) { m_pos = position; }
    // Up to count characters from the current position.
    std::string_view Take(size_t count);
    // How many of count entries of at least minBytes each the rest of the text
    // can hold: room for a list that a false count cannot inflate.
    size_t RoomFor(long count, size_t minBytes) const;

    // Notes that key was looked for at position and not found there; the first
    // key missed at a line is what a later failure there names as expected.
    // Keys are literals that outlive the reader.
    void NoteMissed(size_t position, std::string_view key);
    // Stops the reading at the line that starts at position, saying what was
    // expected there.
    void Fail(size_t position, std::string expected);
    // The same for an entry that is not there: names the first key missed at
    // that line when there is one, else expected.
    void FailMissing(size_t position, std::string expected);
    // Stops the reading with a message that says itself what is wrong.
    void Refuse(size_t position, std::string message);
    bool Failed() const { return m_error.has_value(); }
    const std::optional<ReadError>& Error() const { return m_error; }
    // Fails unless the whole text has been read.
    bool ExpectEnd();

private:
    // Takes the bytes of a file without copying them.
    ProjectReader(std::string&& diskText, int);
    int LineAt(size_t position) const;
    void Record(size_t position, std::string text, bool expected);

    std::string m_text;
    size_t m_pos = 0;
    bool m_byteOrderMark = false;
    size_t m_missedAt = std::string::npos;
    std::string_view m_missedKey;
    std::optional<ReadError> m_error;
};

// Builds the text of a project file in memory as it goes to disk, with CR LF
// line ends; Commit() writes it in one piece through a temporary file, so a
// failed save leaves the old file.
class ProjectWriter {
public:
    ProjectWriter() = default;
    // A writer that hands its text to sink in pieces as it grows instead of
    // keeping it all; Flush() hands over the rest.
    explicit ProjectWriter(std::function<void(std::string_view)> sink);

    // Room for about that many bytes, so the text does not move as it grows.
    void Reserve(size_t bytes);
    // Every LF of text goes to disk as CR LF.
    void Raw(std::string_view text);
    // A "key=text" line; line breaks in text become blanks.
    void Value(std::string_view key, std::string_view text);
    // Puts a UTF-8 byte-order mark in front; called before anything is written.
    void SetByteOrderMark(bool mark);
    // The text with LF line ends.
    std::string Text() const;
    std::string_view DiskText() const { return {m_data.get(), m_size}; }
    bool Commit(const std::string& path) const;
    void Flush();

private:
    // Lines are short and many: appending is a copy into room already there.
    void Append(std::string_view text)
    {
        // An empty view may hold no pointer, which memcpy must not be given.
        if (text.empty())
            return;
        if (text.size() > m_capacity - m_size)
            Reserve(std::max({m_size + text.size(), 2 * m_capacity, size_t{4096}}));
        std::memcpy(m_data.get() + m_size, text.data(), text.size());
        m_size += text.size();
    }
    void Grown()
    {
        if (m_sink && m_size >= kPieceBytes)
            Flush();
    }

    static constexpr size_t kPieceBytes = 64 << 10;
    std::unique_ptr<char[]> m_data;
    size_t m_size = 0;
    size_t m_capacity = 0;
    std::function<void(std::string_view)> m_sink;
};

enum class MarkedResult { Found, OtherKey, End };

struct ReadResult {
    bool found = false;
    std::string text;
};

// listEntry marks a look for one more entry of a list that may have ended;
// such a key is not what a later failure at that line names as expected.
ReadResult ReadValue(ProjectReader& in, std::string_view key, bool listEntry = false);
// The same without a copy: the text stays in the reader, valid while it lives.
std::optional<std::string_view> ReadValueView(ProjectReader& in, std::string_view key, bool listEntry = false);
// Sets text to the entry's value, or empties it when the entry is missing.
void ReadText(ProjectReader& in, std::string_view key, std::string& text);
// A missing entry gives 0; a value that is not a whole number in range fails the read.
long ReadNumber(ProjectReader& in, std::string_view key, bool* found = nullptr, bool listEntry = false);
int ReadInt(ProjectReader& in, std::string_view key, bool* found = nullptr);
// The number of entries that follow: a missing entry gives 0, a negative one fails.
long ReadCount(ProjectReader& in, std::string_view key, bool* found = nullptr);
// The companion line must be two hexadecimal numbers; a missing one at the end of
// the text counts as the end.
MarkedResult ReadMarkedValue(ProjectReader& in, std::string_view key, std::string& text);
// Reads a sized block whose length entry gave length; every LF of the stored text
// comes back as CR LF, so the text writes back as it was read. A block that is
// not there, or not followed by its line end, fails the read.
ReadResult ReadBlock(ProjectReader& in, std::string_view key, long length);
// A value that ends at its line: the writer's line end of an older file, if
// any, is not part of it (column defaults and value-list entries).
ReadResult ReadLineBlock(ProjectReader& in, std::string_view key, long length);

void WriteValue(ProjectWriter& out, std::string_view key, std::string_view text);
void WriteNumber(ProjectWriter& out, std::string_view key, long number);
void WriteMarkedValue(ProjectWriter& out, std::string_view key, std::string_view text);
// Writes every CR LF of text as LF; a lone CR stays.
void WriteBlock(ProjectWriter& out, std::string_view key, std::string_view text);
long BlockLength(std::string_view text);

// An optional "-" and decimal digits, nothing else, within the range of long.
std::optional<long> ParseWholeNumber(std::string_view text);

// Turns every CR LF into LF in place; a lone CR stays.
void DropCrBeforeLf(std::string& text);

// Writes all of bytes to fd, going on after interrupted or partial writes.
bool WriteAll(int fd, std::string_view bytes);

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
