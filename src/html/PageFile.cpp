#include "html/PageFile.h"

#include "html/HtmlTokenizer.h"
#include "project/ProjectFile.h"

namespace quillet {

bool AllLinesEndInCrLf(std::string_view text)
{
    size_t lf = text.find('\n');
    if (lf == std::string_view::npos)
        return false;
    for (; lf != std::string_view::npos; lf = text.find('\n', lf + 1))
        if (lf == 0 || text[lf - 1] != '\r')
            return false;
    return true;
}

bool PageFile::Read()
{
    std::optional<std::string> bytes = ReadWholeFile(m_path, kMaxProjectFileBytes);
    if (!bytes)
        return false;
    m_crlf = AllLinesEndInCrLf(*bytes);
    if (m_crlf)
        DropCrBeforeLf(*bytes);
    m_nodes = ParseOwnedHtml(std::move(*bytes), &m_openAtEnd);
    return true;
}

std::string PageFile::DiskText(TagText mode) const
{
    std::string text;
    text.reserve(m_nodes.TextSize());
    WriteDiskText(mode, AppendTo(text));
    return text;
}

bool PageFile::WriteDiskText(TagText mode, const HtmlSink& sink) const
{
    if (!m_crlf)
        return WriteHtml(m_nodes, mode, sink);
    return WriteHtml(m_nodes, mode, [&sink](std::string_view piece) {
        for (size_t lf = piece.find('\n'); lf != std::string_view::npos; lf = piece.find('\n')) {
            if (!sink(piece.substr(0, lf)) || !sink("\r\n"))
                return false;
            piece.remove_prefix(lf + 1);
        }
        return piece.empty() || sink(piece);
    });
}

std::optional<PageFile> PageFileCache::Read(const std::string& path)
{
    auto found = m_files.find(path);
    if (found == m_files.end())
        found = m_files.emplace(path, ReadPageFile(path, nullptr)).first;
    return found->second;
}

std::optional<PageFile> ReadPageFile(const std::string& path, PageFileCache* cache)
{
    if (cache)
        return cache->Read(path);
    PageFile file(path);
    if (!file.Read())
        return std::nullopt;
    return file;
}

bool WriteHtmlFile(const PageFile& file, TagText mode)
{
    return WriteFileAtomically(file.Path(), file.DiskText(mode));
}

} // namespace quillet
