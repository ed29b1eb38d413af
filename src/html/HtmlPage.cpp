#include "html/HtmlNode.h"
#include "html/HtmlTokenizer.h"
#include "html/PageArena.h"

#include <cstdlib>
#include <mutex>
#include <new>

namespace quillet {

namespace {

#ifdef QUILLET_SANITIZED
constexpr bool kBlockPool = false;
#else
constexpr bool kBlockPool = true;
#endif

struct BlockHead {
    PageArena* arena;
    std::uint32_t number;
    std::uint32_t unused;
};
static_assert(sizeof(BlockHead) == sizeof(HtmlNode), "a block's head takes its first slot");
static_assert(PageArena::kBlockBytes % sizeof(HtmlNode) == 0);

constexpr std::size_t kBlocksPerRegion = 256;

char* NewAlignedBlock(std::size_t bytes)
{
    void* block = std::aligned_alloc(PageArena::kBlockBytes, bytes);
    if (!block)
        throw std::bad_alloc();
    return static_cast<char*>(block);
}

// Blocks come from regions of 1 MB and are kept for reuse: a page of a million
// nodes takes thousands. Sanitizer builds use the heap, so that a node used after
// its page is gone is still found.
class BlockPool {
public:
    static char* Allocate()
    {
        if (!kBlockPool)
            return NewAlignedBlock(PageArena::kBlockBytes);
        BlockPool& pool = Instance();
        std::lock_guard guard(pool.m_lock);
        if (pool.m_free.empty()) {
            char* region = NewAlignedBlock(kBlocksPerRegion * PageArena::kBlockBytes);
            for (std::size_t i = kBlocksPerRegion; i-- > 0;)
                pool.m_free.push_back(region + i * PageArena::kBlockBytes);
        }
        char* block = pool.m_free.back();
        pool.m_free.pop_back();
        return block;
    }

    static void Release(std::vector<char*>& blocks)
    {
        if (!kBlockPool) {
            for (char* block : blocks)
                std::free(block);
        } else {
            BlockPool& pool = Instance();
            std::lock_guard guard(pool.m_lock);
            pool.m_free.insert(pool.m_free.end(), blocks.rbegin(), blocks.rend());
        }
        blocks.clear();
    }

private:
    // Never destroyed: a page may outlive static destruction.
    static BlockPool& Instance()
    {
        static BlockPool* pool = new BlockPool;
        return *pool;
    }

    std::mutex m_lock;
    std::vector<char*> m_free;
};

bool SameText(const SharedText& a, const SharedText& b)
{
    return a && b && a.operator->() == b.operator->();
}

} // namespace

// --- PageArena --------------------------------------------------------------

PageArena::PageArena()
{
    HtmlNode* end = NewSlot();
    end->m_link = {kEnd, kEnd};
}

PageArena::~PageArena()
{
    BlockPool::Release(blocks);
}

PageArena& PageArena::Of(const HtmlNode* node)
{
    auto address = reinterpret_cast<std::uintptr_t>(node);
    return *reinterpret_cast<const BlockHead*>(address & ~std::uintptr_t(kBlockBytes - 1))->arena;
}

std::uint32_t PageArena::IndexOf(const HtmlNode* node) const
{
    auto address = reinterpret_cast<std::uintptr_t>(node);
    const auto* head = reinterpret_cast<const BlockHead*>(address & ~std::uintptr_t(kBlockBytes - 1));
    return head->number * kSlotsPerBlock + static_cast<std::uint32_t>((address & (kBlockBytes - 1)) / sizeof(HtmlNode));
}

HtmlNode* PageArena::NewSlot()
{
    std::uint32_t index = freeSlots;
    if (index) {
        freeSlots = Node(index)->m_link.next;
    } else {
        if (nextSlot % kSlotsPerBlock == 0) {
            char* block = BlockPool::Allocate();
            auto number = static_cast<std::uint32_t>(blocks.size());
            new (block) BlockHead{this, number, 0};
            blocks.push_back(block);
            nextSlot = number * kSlotsPerBlock + 1;
        }
        index = nextSlot++;
    }
    HtmlNode* node = new (Node(index)) HtmlNode;
    node->m_link = {0, 0};
    node->m_start = 0;
    node->m_bits = 0;
    return node;
}

void PageArena::LinkBefore(HtmlNode* node, HtmlNode* pos)
{
    std::uint32_t index = IndexOf(node);
    HtmlNode* prev = Node(pos->m_link.prev);
    node->m_link = {pos->m_link.prev, prev->m_link.next};
    prev->m_link.next = index;
    pos->m_link.prev = index;
    ++count;
}

void PageArena::Unlink(HtmlNode* node)
{
    Node(node->m_link.prev)->m_link.next = node->m_link.next;
    Node(node->m_link.next)->m_link.prev = node->m_link.prev;
    --count;
}

void PageArena::Free(HtmlNode* node)
{
    Unlink(node);
    if (node->m_bits & HtmlNode::kExtra)
        TakeExtra(node->m_start);
    node->m_bits = 0;
    node->m_link.next = freeSlots;
    freeSlots = IndexOf(node);
}

std::uint32_t PageArena::AddExtra(std::unique_ptr<HtmlNode::Extra> extra)
{
    if (!freeExtras.empty()) {
        std::uint32_t index = freeExtras.back();
        freeExtras.pop_back();
        extras[index] = std::move(extra);
        return index;
    }
    extras.push_back(std::move(extra));
    return static_cast<std::uint32_t>(extras.size() - 1);
}

std::unique_ptr<HtmlNode::Extra> PageArena::TakeExtra(std::uint32_t index)
{
    freeExtras.push_back(index);
    return std::move(extras[index]);
}

void PageArena::Adopt(HtmlNode* slot, HtmlNode&& node)
{
    if (!node.Detached()) {
        Receive(slot, node, Of(&node), false);
        return;
    }
    if (!node.m_own) {
        slot->m_bits = 0; // an empty text node
        return;
    }
    slot->m_start = AddExtra(std::unique_ptr<HtmlNode::Extra>(std::exchange(node.m_own, nullptr)));
    slot->m_bits = HtmlNode::kExtra;
}

void PageArena::KeepTextsOf(const PageArena& other)
{
    auto keep = [this](const SharedText& t) {
        if (!t || SameText(t, text))
            return;
        for (const SharedText& k : kept)
            if (SameText(k, t))
                return;
        kept.push_back(t);
    };
    keep(other.text);
    for (const SharedText& t : other.kept)
        keep(t);
}

void PageArena::Receive(HtmlNode* slot, HtmlNode& node, PageArena& from, bool move)
{
    if (&from == this) {
        HtmlNode copy(node);
        Adopt(slot, std::move(copy));
        return;
    }
    std::uint32_t size = node.ReadSize();
    if (!(node.m_bits & HtmlNode::kExtra)) {
        if (size == 0) {
            slot->m_bits = 0;
            return;
        }
        if (!text && count == 0)
            text = from.text;
        if (SameText(text, from.text)) {
            slot->m_start = node.m_start;
            slot->m_bits = node.m_bits;
            return;
        }
        // Bytes of another text: keep that text, and point at them from an Extra.
        KeepTextsOf(from);
        auto extra = std::make_unique<HtmlNode::Extra>();
        extra->source = node.PageBytes();
        extra->name = std::string(node.Name());
        extra->attrsPending = true;
        slot->m_start = AddExtra(std::move(extra));
        slot->m_bits = HtmlNode::kExtra;
        return;
    }
    std::unique_ptr<HtmlNode::Extra> extra;
    if (move) {
        extra = from.TakeExtra(node.m_start);
        node.m_bits = 0;
    } else {
        extra = std::make_unique<HtmlNode::Extra>(*from.extras[node.m_start]);
    }
    if (!extra->source.empty() && !extra->own)
        KeepTextsOf(from);
    slot->m_start = AddExtra(std::move(extra));
    slot->m_bits = HtmlNode::kExtra;
}

// --- HtmlPage ---------------------------------------------------------------

HtmlPage::HtmlPage() = default;
HtmlPage::~HtmlPage() = default;

HtmlPage::HtmlPage(HtmlPage&& other) noexcept : m_arena(std::move(other.m_arena)) {}

HtmlPage& HtmlPage::operator=(HtmlPage&& other) noexcept
{
    m_arena = std::move(other.m_arena);
    return *this;
}

HtmlPage::HtmlPage(const HtmlPage& other) : HtmlPage(other.begin(), other.end()) {}

HtmlPage& HtmlPage::operator=(const HtmlPage& other)
{
    if (this != &other)
        *this = HtmlPage(other);
    return *this;
}

HtmlPage::HtmlPage(const_iterator first, const_iterator last)
{
    if (first == last)
        return;
    PageArena& from = PageArena::Of(first.m_node);
    PageArena& to = Arena();
    to.text = from.text;
    HtmlNode* end = Head();
    for (; first != last; ++first) {
        HtmlNode* slot = to.NewSlot();
        to.Receive(slot, *first.m_node, from, false);
        to.LinkBefore(slot, end);
    }
}

HtmlPage::HtmlPage(SharedText text)
{
    Arena().text = std::move(text);
}

PageArena& HtmlPage::Arena() const
{
    if (!m_arena)
        m_arena = std::make_unique<PageArena>();
    return *m_arena;
}

HtmlNode* HtmlPage::Head() const
{
    return Arena().Node(PageArena::kEnd);
}

HtmlNode* HtmlPage::Next(const HtmlNode* node)
{
    return PageArena::Of(node).Node(node->m_link.next);
}

HtmlNode* HtmlPage::Prev(const HtmlNode* node)
{
    return PageArena::Of(node).Node(node->m_link.prev);
}

size_t HtmlPage::size() const
{
    return m_arena ? m_arena->count : 0;
}

size_t HtmlPage::TextSize() const
{
    return m_arena && m_arena->text ? m_arena->text->size() : 0;
}

HtmlPage::iterator HtmlPage::insert(const_iterator pos, HtmlNode node)
{
    PageArena& arena = Arena();
    HtmlNode* slot = arena.NewSlot();
    arena.Adopt(slot, std::move(node));
    arena.LinkBefore(slot, pos.m_node);
    return iterator(slot);
}

HtmlPage::iterator HtmlPage::erase(const_iterator pos)
{
    HtmlNode* next = Next(pos.m_node);
    Arena().Free(pos.m_node);
    return iterator(next);
}

HtmlPage::iterator HtmlPage::erase(const_iterator first, const_iterator last)
{
    while (first != last)
        first = erase(first);
    return iterator(last.m_node);
}

void HtmlPage::clear()
{
    erase(begin(), end());
}

void HtmlPage::AppendRead(size_t start, size_t size, bool text, size_t nameLength)
{
    PageArena& arena = Arena();
    HtmlNode* slot;
    std::uint32_t index = arena.nextSlot;
    if (arena.freeSlots == 0 && index % PageArena::kSlotsPerBlock != 0) {
        // The tokenizer's usual case, a node in the last block's next slot.
        ++arena.nextSlot;
        slot = new (arena.Node(index)) HtmlNode;
        HtmlNode* end = arena.Node(PageArena::kEnd);
        slot->m_link = {end->m_link.prev, PageArena::kEnd};
        arena.Node(end->m_link.prev)->m_link.next = index;
        end->m_link.prev = index;
        ++arena.count;
    } else {
        slot = arena.NewSlot();
        arena.LinkBefore(slot, arena.Node(PageArena::kEnd));
    }
    if (start <= UINT32_MAX && text && size <= HtmlNode::kTextSizeMask) {
        slot->m_start = static_cast<std::uint32_t>(start);
        slot->m_bits = static_cast<std::uint32_t>(size) | HtmlNode::kText;
        return;
    }
    if (start <= UINT32_MAX && !text && size <= HtmlNode::kTagSizeMask && nameLength <= HtmlNode::kNameMask) {
        slot->m_start = static_cast<std::uint32_t>(start);
        slot->m_bits = static_cast<std::uint32_t>(size) | static_cast<std::uint32_t>(nameLength)
                                                              << HtmlNode::kNameShift;
        return;
    }
    // Beyond what a node can point at: the Extra points instead.
    auto extra = std::make_unique<HtmlNode::Extra>();
    extra->source = std::string_view(*arena.text).substr(start, size);
    if (!text)
        extra->name = std::string(ReadNodeName(extra->source));
    extra->attrsPending = true;
    slot->m_start = arena.AddExtra(std::move(extra));
    slot->m_bits = HtmlNode::kExtra;
}

HtmlPage::iterator HtmlPage::splice(const_iterator pos, HtmlPage& other, const_iterator first, const_iterator last)
{
    if (first == last)
        return iterator(pos.m_node);
    PageArena& to = Arena();
    PageArena& from = PageArena::Of(first.m_node);
    if (&from == &to) {
        // Relink the run [first, last) before pos.
        HtmlNode* head = first.m_node;
        HtmlNode* tail = Prev(last.m_node);
        std::uint32_t headIndex = to.IndexOf(head);
        std::uint32_t tailIndex = to.IndexOf(tail);
        to.Node(head->m_link.prev)->m_link.next = tail->m_link.next;
        to.Node(tail->m_link.next)->m_link.prev = head->m_link.prev;
        HtmlNode* before = Prev(pos.m_node);
        head->m_link.prev = to.IndexOf(before);
        tail->m_link.next = to.IndexOf(pos.m_node);
        before->m_link.next = headIndex;
        pos.m_node->m_link.prev = tailIndex;
        return iterator(head);
    }
    HtmlNode* firstMoved = nullptr;
    while (first != last) {
        HtmlNode* node = first.m_node;
        ++first;
        HtmlNode* slot = to.NewSlot();
        to.Receive(slot, *node, from, true);
        to.LinkBefore(slot, pos.m_node);
        from.Free(node);
        if (!firstMoved)
            firstMoved = slot;
    }
    (void)other;
    return iterator(firstMoved);
}

} // namespace quillet
