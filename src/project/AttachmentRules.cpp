#include "project/AttachmentRules.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace quillet {

namespace {

constexpr std::array<std::string_view, 37> kFileTypes = {
    "Webpages (*.html;*.htm;*.shtml;*.dhtml) ",
    "ASCII files (*.txt;*.csv) ",
    "Microsoft documents (*.doc;*.rtf;*.xls;*.ppt) ",
    "Adobe documents (*.pdf;*.ps) ",
    "Adobe image files (*.ai;*.eps) ",
    "Corel documents(*.wp)",
    "Corel image files (*.cdr;*.cdt;*.pat;*.cch;*.cpt;*.cmx;*.wpg)",
    "Image file (*.tif;*.tiff;*.gif;*.jpg;*.jpeg;*.bmp;*.pnt)",
    "MPEG audio file (*.mpeg;*.mpg;*.m1s;*.m1a;*.mp1;*.mp2;*.mp3)",
    "MPEG media file (*.mpeg;*.mpg;*.m1s;*.m1v)",
    "Macromedia Flash (*.swf)",
    "QuickTime media file (*.mov;*.qt)",
    "RealNetworks media files (*.ra;*.rm;*.rmj)",
    "Executables (*.exe)",
    "Web Site Index (*.hhk)",
    "Web Site Contents (*.hhc)",
    "TGA image file (*.targa;*.tga)",
    "SGI image file (*.sgi;*.rgb)",
    "QuickTime image file (*.qtif;*.qti)",
    "PNG image file (*.png)",
    "PICT image file (*.pict;*.pic;*.pct)",
    "MacPaint image file (*.pntg;*.pnt;*.mac)",
    "GSM audio file (*.gsm)",
    "QUALCOMM PureVoice audio file (*.qcp)",
    "MIDI file (*.mid;*.midi;*.smf;*.kar)",
    "uLaw/AU audio file (*.au;*.snd;*.ulw)",
    "AIFF audio file (*.aiff;*.aif;*.aifc)",
    "AutoDesk animator file (*.flc;*.fli)",
    "RTSP stream (*.rtsp;*.rts)",
    "SDP stream (*.sdp)",
    "RMF (*.rmf)",
    "FutureSplash Player (*.spl)",
    "AU (*au)",
    "AIFF(*.aif;*.aiff)",
    "WAV (*.wav)",
    "MIDI (*.mid;*.midi)",
    "Netscape Packetized Audio (*.LA;*.LMA)",
};

void SetBinary(Attachment& attachment)
{
    attachment.contentType = "application/octet-stream";
    attachment.encoding = "base64";
}

std::string Lower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// The extension after the last dot of the file name, not of a folder.
std::string Extension(std::string_view path)
{
    size_t slash = path.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : Lower(name.substr(dot + 1));
}

} // namespace

void ApplyAttachmentType(Attachment& attachment, bool textFile)
{
    attachment.isTemplate = textFile ? 1 : 0;
    if (!textFile)
        SetBinary(attachment);
}

void ApplyOpenedAttachment(Attachment& attachment, std::string_view path)
{
    path = Trim(path);
    std::string extension = Extension(path);
    static constexpr std::array<std::string_view, 5> kHtml = {"html", "htm", "shtml", "dhtml", "xhtml"};
    if (extension == "txt" || extension == "csv" || std::find(kHtml.begin(), kHtml.end(), extension) != kHtml.end()) {
        attachment.contentType = extension == "txt" || extension == "csv" ? "text/plain" : "text/html";
        attachment.encoding = "8bit";
        attachment.binaryMode = 0;
    } else {
        SetBinary(attachment);
        attachment.binaryMode = 1;
    }
    attachment.isTemplate = 0;
    attachment.path = std::string(path);
}

void FinishAttachment(Attachment& attachment, std::string_view path, bool textFile)
{
    attachment.kind = "FILE";
    attachment.path = std::string(path);
    attachment.binaryMode = textFile ? 0 : 1;
    attachment.encoding = textFile ? "7bit" : "base64";
}

std::string AttachmentFileFilter()
{
    std::string filter;
    for (std::string_view type : kFileTypes) {
        size_t open = type.find('(');
        size_t close = type.find(')', open);
        filter += std::string(type) + "|" + std::string(type.substr(open + 1, close - open - 1)) + "|";
    }
    return filter + "|";
}

std::vector<std::string_view> AttachmentFileTypeNames()
{
    return {kFileTypes.begin(), kFileTypes.end()};
}

} // namespace quillet
