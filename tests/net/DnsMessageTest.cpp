#include "net/DnsMessage.h"

#include <gtest/gtest.h>

using namespace quillet;

namespace {

// Writes raw DNS bytes; names as labels and pointers exactly as given.
class Packet {
public:
    Packet& Header(uint16_t flags, uint16_t qd, uint16_t an, uint16_t ns = 0, uint16_t ar = 0)
    {
        for (uint16_t word : {uint16_t{0x1234}, flags, qd, an, ns, ar})
            U16(word);
        return *this;
    }
    Packet& U16(uint16_t v)
    {
        bytes.push_back(static_cast<uint8_t>(v >> 8));
        bytes.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    Packet& U32(uint32_t v) { return U16(static_cast<uint16_t>(v >> 16)).U16(static_cast<uint16_t>(v)); }
    Packet& Label(const std::string& text)
    {
        bytes.push_back(static_cast<uint8_t>(text.size()));
        bytes.insert(bytes.end(), text.begin(), text.end());
        return *this;
    }
    Packet& End() { return Raw({0}); }
    Packet& Pointer(size_t offset)
    {
        return Raw({static_cast<uint8_t>(0xC0 | offset >> 8), static_cast<uint8_t>(offset)});
    }
    Packet& Raw(std::initializer_list<uint8_t> raw)
    {
        bytes.insert(bytes.end(), raw);
        return *this;
    }
    // Type, class IN, TTL 300 and the data length of a record.
    Packet& RecordHead(uint16_t type, uint16_t length) { return U16(type).U16(1).U32(300).U16(length); }
    Packet& QuestionExampleCom(uint16_t type) { return Label("example").Label("com").End().U16(type).U16(1); }
    size_t Size() const { return bytes.size(); }

    std::vector<uint8_t> bytes;
};

constexpr uint16_t kAnswerFlags = 0x8180;
constexpr size_t kQuestionName = 12;

// MX answer whose names use pointers, two of them chained through other names:
// www -> "mail" + pointer -> example.com.
Packet CompressedAnswer()
{
    Packet p;
    p.Header(kAnswerFlags, 1, 3).QuestionExampleCom(kDnsMx);
    p.Pointer(kQuestionName).RecordHead(kDnsMx, 9).U16(10);
    size_t mail = p.Size();
    p.Label("mail").Pointer(kQuestionName);
    size_t www = p.Size();
    p.Label("www").Pointer(mail).RecordHead(kDnsA, 4).Raw({192, 0, 2, 1});
    p.Pointer(www).RecordHead(kDnsCname, 2).Pointer(kQuestionName);
    return p;
}

TEST(DnsDecode, CompressedAndChainedNames)
{
    DnsMessage m;
    ASSERT_EQ(DecodeDnsMessage(CompressedAnswer().bytes, m), DnsError::None);
    ASSERT_EQ(m.questions.size(), 1u);
    EXPECT_EQ(m.questions[0].name, "example.com");
    ASSERT_EQ(m.answers.size(), 3u);
    EXPECT_EQ(m.answers[0].name, "example.com");
    EXPECT_EQ(DnsRecordData(m.answers[0]), "10 mail.example.com");
    EXPECT_EQ(m.answers[1].name, "www.mail.example.com");
    EXPECT_EQ(DnsRecordData(m.answers[1]), "192.0.2.1");
    EXPECT_EQ(m.answers[2].name, "www.mail.example.com");
    EXPECT_EQ(m.answers[2].host, "example.com");
    EXPECT_EQ(m.answers[2].ttl, 300u);
}

TEST(DnsDecode, ResponseCodeLeavesRecordsUndecoded)
{
    Packet p;
    p.Header(kAnswerFlags | 3, 1, 1).Raw({0xC0, 0xFF}); // garbage that is never read
    DnsMessage m;
    EXPECT_EQ(DecodeDnsMessage(p.bytes, m), DnsError::None);
    EXPECT_EQ(m.header.ResponseCode(), 3);
    EXPECT_TRUE(m.questions.empty());
    EXPECT_TRUE(m.answers.empty());
}

// Each broken answer fails with its own error and never reads outside the bytes.
TEST(DnsDecode, MalformedAnswersFailCleanly)
{
    auto question = [](auto&& name) {
        Packet p;
        p.Header(kAnswerFlags, 1, 0);
        name(p);
        return p.U16(1).U16(1);
    };
    auto answer = [](auto&& record) {
        Packet p;
        p.Header(kAnswerFlags, 1, 1).QuestionExampleCom(kDnsA).Pointer(kQuestionName);
        record(p);
        return p;
    };
    Packet shortHeader;
    shortHeader.Raw({0x12, 0x34, 0x81, 0x80, 0});
    Packet missingRecord = answer([](Packet& p) { p.RecordHead(kDnsA, 4).Raw({1, 2, 3, 4}); });
    missingRecord.bytes[7] = 2; // two answers announced, one present
    struct Case {
        const char* what;
        Packet packet;
        DnsError expected;
    } cases[] = {
        {"short header", shortHeader, DnsError::Truncated},
        {"pointer to itself", question([](Packet& p) { p.Pointer(kQuestionName); }), DnsError::PointerLoop},
        {"pointer past the end", question([](Packet& p) { p.Pointer(0x3FF); }), DnsError::BadPointer},
        {"label and pointer loop", question([](Packet& p) { p.Label("a").Pointer(kQuestionName); }),
         DnsError::NameTooLong},
        {"reserved label type", question([](Packet& p) {
             p.Raw({0x40, 'a', 0});
         }),
         DnsError::BadLabel},
        {"label past the end", question([](Packet& p) {
             p.Raw({5, 'a', 'b'});
         }),
         DnsError::Truncated},
        {"name over 255 bytes", question([](Packet& p) {
             for (int i = 0; i < 5; ++i)
                 p.Label(std::string(63, 'x'));
             p.End();
         }),
         DnsError::NameTooLong},
        {"question without type", Packet().Header(kAnswerFlags, 1, 0).Label("a").End(), DnsError::Truncated},
        {"data past the end", answer([](Packet& p) {
             p.RecordHead(kDnsA, 100).Raw({1, 2, 3, 4});
         }),
         DnsError::Truncated},
        {"short address", answer([](Packet& p) {
             p.RecordHead(kDnsA, 3).Raw({1, 2, 3});
         }),
         DnsError::BadData},
        {"name longer than its data",
         answer([](Packet& p) { p.RecordHead(kDnsNs, 2).Label("example").Label("com").End(); }), DnsError::BadData},
        {"record head cut", answer([](Packet& p) { p.U16(kDnsA).U16(1); }), DnsError::Truncated},
        {"missing record", missingRecord, DnsError::Truncated},
    };
    for (const Case& c : cases) {
        DnsMessage m;
        EXPECT_EQ(DecodeDnsMessage(c.packet.bytes, m), c.expected) << c.what;
    }
}

TEST(DnsDecode, LabelsWithDotsOrControlBytesAreEscaped)
{
    Packet p;
    p.Header(kAnswerFlags, 1, 0).Label("a.b").Raw({2, 'c', 0x07}).End().U16(1).U16(1);
    DnsMessage m;
    ASSERT_EQ(DecodeDnsMessage(p.bytes, m), DnsError::None);
    EXPECT_EQ(m.questions[0].name, "a\\.b.c\\007");
}

TEST(DnsEncode, QueryBytes)
{
    DnsError error;
    std::vector<uint8_t> query = EncodeDnsQuery(0xBEEF, {"example.com", kDnsMx, 1}, error);
    Packet expected;
    expected.Raw({0xBE, 0xEF, 0x01, 0x00, 0, 1, 0, 0, 0, 0, 0, 0}).QuestionExampleCom(kDnsMx);
    EXPECT_EQ(error, DnsError::None);
    EXPECT_EQ(query, expected.bytes);
    // A trailing dot names the root, which the closing zero already encodes.
    EXPECT_EQ(EncodeDnsQuery(0xBEEF, {"example.com.", kDnsMx, 1}, error), expected.bytes);
    EXPECT_EQ(EncodeDnsQuery(0, {".", kDnsNs, 1}, error).size(), 12u + 1 + 4);

    std::string longName;
    for (int i = 0; i < 4; ++i)
        longName += std::string(63, 'x') + ".";
    for (const std::string& bad : {std::string("a..b"), std::string("example.com.."), std::string(64, 'x'), longName}) {
        EXPECT_TRUE(EncodeDnsQuery(1, {bad, kDnsA, 1}, error).empty()) << bad;
        EXPECT_EQ(error, DnsError::BadQueryName);
    }
}

TEST(DnsEncode, ReverseNamesForPtr)
{
    struct Case {
        const char* name;
        uint16_t type;
        const char* asked;
    } cases[] = {
        {"10.1.2.3", kDnsPtr, "3.2.1.10.in-addr.arpa"},
        {"3.2.1.10.IN-ADDR.ARPA", kDnsPtr, "3.2.1.10.in-addr.arpa"},
        {"Host.Example.COM", kDnsPtr, "host.example.com"},
        {"10.1.2.3", kDnsA, "10.1.2.3"},
        {"10.1.2", kDnsPtr, "10.1.2"},
        {"256.1.2.3", kDnsPtr, "256.1.2.3"},
        {"2001:db8::1", kDnsPtr, "1.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.8.b.d.0.1.0.0.2.ip6.arpa"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DnsQueryName(c.name, c.type), c.asked) << c.name;
}

TEST(DnsEncode, TypeAndClassNames)
{
    EXPECT_EQ(DnsTypeCode("a"), kDnsA);
    EXPECT_EQ(DnsTypeCode("Mx"), kDnsMx);
    EXPECT_EQ(DnsTypeCode("ns"), kDnsNs);
    EXPECT_EQ(DnsTypeCode("PTR"), kDnsPtr);
    EXPECT_EQ(DnsTypeCode("TXT"), 0);
    EXPECT_EQ(DnsTypeCode("AA"), 0);
    EXPECT_EQ(DnsClassCode("in"), 1);
    EXPECT_EQ(DnsClassCode("HS"), 4);
    EXPECT_EQ(DnsClassCode("XX"), 0);
    EXPECT_EQ(DnsTypeName(99), "TYPE99");
}

} // namespace
