#pragma once

#include "html/HtmlNode.h"
#include "html/SharedText.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillet {

// What a node needs beyond its links and bytes: a name of its own (new or
// renamed nodes), attributes built from the bytes or edited.
struct HtmlNode::Extra {
    std::string name;
    std::vector<HtmlAttr> attrs;
    std::string_view source; // the bytes the node was read from; empty once edited
    SharedText own;          // holds those bytes for a node outside any page
    bool attrsPending = false;
};

// The storage of one page. Nodes live in blocks of 4 KB aligned to their size;
// the first 16 bytes of a block say which page it belongs to, so a node finds
// its page, and through it its text, from its own address. Node indices are
// block number * 256 + slot; slot 0 is the block's head, and index 1 is the
// page's end node, linked to the first and last nodes.
struct PageArena {
    static constexpr std::size_t kBlockBytes = 4096;
    static constexpr std::uint32_t kSlotsPerBlock = kBlockBytes / sizeof(HtmlNode);
    static constexpr std::uint32_t kEnd = 1;

    PageArena();
    ~PageArena();
    PageArena(const PageArena&) = delete;
    PageArena& operator=(const PageArena&) = delete;

    static PageArena& Of(const HtmlNode* node);
    HtmlNode* Node(std::uint32_t index) const
    {
        return reinterpret_cast<HtmlNode*>(blocks[index / kSlotsPerBlock] +
                                           (index % kSlotsPerBlock) * sizeof(HtmlNode));
    }
    std::uint32_t IndexOf(const HtmlNode* node) const;

    // A new unlinked slot, a node of no bytes and no name.
    HtmlNode* NewSlot();
    void LinkBefore(HtmlNode* node, HtmlNode* pos);
    void Unlink(HtmlNode* node);
    // Unlinks the node and frees its slot and Extra.
    void Free(HtmlNode* node);

    std::uint32_t AddExtra(std::unique_ptr<HtmlNode::Extra> extra);
    std::unique_ptr<HtmlNode::Extra> TakeExtra(std::uint32_t index);

    // Gives slot the content of a node outside any page, taking its Extra.
    void Adopt(HtmlNode* slot, HtmlNode&& node);
    // Gives slot the content of a node of page from: a copy, or the node's own
    // Extra when move is set (the node is left without one).
    void Receive(HtmlNode* slot, HtmlNode& node, PageArena& from, bool move);
    void KeepTextsOf(const PageArena& other);

    std::vector<char*> blocks;
    std::uint32_t nextSlot = 0;  // the next slot never used
    std::uint32_t freeSlots = 0; // the first freed slot, chained through the links; 0 for none
    std::size_t count = 0;
    SharedText text;              // the text nodes read from it point into
    std::vector<SharedText> kept; // other texts that moved or copied nodes' bytes lie in
    std::vector<std::unique_ptr<HtmlNode::Extra>> extras;
    std::vector<std::uint32_t> freeExtras;
};

} // namespace quillet
