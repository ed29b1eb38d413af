#pragma once

#include "html/HtmlNode.h"
#include "html/HtmlTokenizer.h"
#include "html/HtmlWriter.h"

#include <map>
#include <optional>
#include <string>

namespace quillet {

// One page file on disk and the nodes read from it. A file whose every line ends
// in CR LF is held with LF in memory and written back with CR LF, so that text
// added by the program gets the page's own line ends; any other file (LF only,
// or mixed) is held byte for byte.
class PageFile {
public:
    explicit PageFile(std::string path) : m_path(std::move(path)) {}

    const std::string& Path() const { return m_path; }
    void SetPath(std::string path) { m_path = std::move(path); }
    // Reads and parses the whole file; false when it cannot be read, and the nodes stay as they were.
    bool Read();

    HtmlPage& Nodes() { return m_nodes; }
    const HtmlPage& Nodes() const { return m_nodes; }
    bool CrLf() const { return m_crlf; }
    // Set when the last read found the page ending inside a construct.
    const std::optional<OpenConstruct>& OpenAtEnd() const { return m_openAtEnd; }
    void SetCrLf(bool crlf) { m_crlf = crlf; }

    // The bytes WriteHtmlFile puts on disk.
    std::string DiskText(TagText mode = TagText::Original) const;
    // The same bytes handed to sink in pieces.
    bool WriteDiskText(TagText mode, const HtmlSink& sink) const;

private:
    std::string m_path;
    HtmlPage m_nodes;
    bool m_crlf = false;
    std::optional<OpenConstruct> m_openAtEnd;
};

// The page files one build reads, each read from disk once: the checks, the script
// and the rewritten pages all start from the same bytes.
class PageFileCache {
public:
    // A copy of the page at path as first read; none when it could not be read.
    std::optional<PageFile> Read(const std::string& path);

private:
    std::map<std::string, std::optional<PageFile>> m_files;
};

// The page at path, from cache when one is given.
std::optional<PageFile> ReadPageFile(const std::string& path, PageFileCache* cache);

// Writes the nodes to the file through a temporary file, so a failed write leaves the old page.
bool WriteHtmlFile(const PageFile& file, TagText mode = TagText::Original);

// True when every LF of the text is preceded by a CR, and there is at least one.
bool AllLinesEndInCrLf(std::string_view text);

} // namespace quillet
