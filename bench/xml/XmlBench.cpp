// Parsing speed of the XML reader against pugixml as the baseline: one
// document of about 1 MiB shaped like the skin file (public colours, fonts,
// images, strings; window skins with parts and anchors; CJK text and
// references), in the two encodings the library meets (UTF-16 little endian
// with mark, as SaveFile and the shipped skin use, and UTF-8 with mark).
// Both parsers get the same bytes and build a full tree from a const buffer.
// At the end each pair is printed as a ratio of throughputs.

#include "evidence/skin/ZBXMLElement.h"
#include "platform/base/Strings.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <pugixml.hpp>
#include <string>

using vel::ZBXMLElement;

namespace {

std::u16string SkinShapedDocument(size_t targetBytes)
{
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!-- 皮肤文件 -->\r\n<zbskin>\r\n";
    int n = 0;
    while (s.size() < targetBytes) {
        const std::string k = std::to_string(n++);
        s += "\t<public>\r\n\t\t<colors>\r\n";
        for (int i = 0; i < 8; ++i)
            s += "\t\t\t<color name=\"c" + k + "_" + std::to_string(i) + "\" value=\"" + std::to_string(i * 30) +
                 "," + std::to_string(255 - i) + ",51\"/>\r\n";
        s += "\t\t</colors>\r\n\t\t<fonts>\r\n\t\t\t<font name=\"f" + k +
             "\" face=\"微软雅黑\" size=\"12\" weight=\"Bold\" italic=\"false\"/>\r\n\t\t</fonts>\r\n"
             "\t\t<images>\r\n";
        for (int i = 0; i < 6; ++i)
            s += "\t\t\t<image name=\"img" + k + "_" + std::to_string(i) + "\" resid=\"3001\" rect=\"" +
                 std::to_string(i * 20) + ",40,20,20\" minmask=\"255,0,255\"/>\r\n";
        s += "\t\t</images>\r\n\t\t<strings>\r\n"
             "\t\t\t<string name=\"s" + k + "\" value=\"证据库 &amp; 档案 &#26723;\"/>\r\n"
             "\t\t\t<string name=\"t" + k + "\">确定要删除所选的文件吗？ &lt;不可恢复&gt;</string>\r\n"
             "\t\t</strings>\r\n\t</public>\r\n"
             "\t<windowskin>\r\n\t\t<skin name=\"main" + k + "\" class=\"ZBFrame\">\r\n"
             "\t\t\t<image name=\"[frame]\"/>\r\n\t\t\t<transparency type=\"Partial\" value=\"230\"/>\r\n"
             "\t\t\t<parts>\r\n";
        static const char* parts[] = {"TopLeft", "Top", "TopRight", "Left", "Middle", "Right",
                                      "BottomLeft", "Bottom", "BottomRight"};
        for (const char* p : parts)
            s += std::string("\t\t\t\t<part name=\"") + p + "\" rect=\"0,0,4,30\" mode=\"Tile\"/>\r\n";
        s += "\t\t\t</parts>\r\n\t\t\t<anchors>\r\n"
             "\t\t\t\t<anchor id=\"1\" rect=\"-30,4,26,20\" tip=\"关闭\"/>\r\n"
             "\t\t\t\t<anchor id=\"7\" rect=\"-60,4,26,20\" tip=\"设置\"/>\r\n"
             "\t\t\t</anchors>\r\n\t\t</skin>\r\n\t</windowskin>\r\n";
    }
    s += "</zbskin>\r\n";
    return vel::Utf8ToUtf16(s);
}

const std::string& Utf16Bytes()
{
    static const std::string bytes = [] {
        std::u16string doc = SkinShapedDocument(1 << 20);
        std::string out = "\xFF\xFE";
        for (char16_t c : doc) {
            out.push_back(static_cast<char>(c & 0xFF));
            out.push_back(static_cast<char>(c >> 8));
        }
        return out;
    }();
    return bytes;
}

const std::string& Utf8Bytes()
{
    static const std::string bytes = "\xEF\xBB\xBF" + vel::Utf16ToUtf8(SkinShapedDocument(1 << 20));
    return bytes;
}

size_t CountZB(const ZBXMLElement* e)
{
    size_t n = 1;
    for (const ZBXMLElement* c : e->GetChildren())
        n += CountZB(c);
    return n;
}

size_t CountPugi(const pugi::xml_node& node)
{
    size_t n = 1;
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element)
            n += CountPugi(c);
    return n;
}

void ZBXML(benchmark::State& state, const std::string& bytes)
{
    for (auto _ : state) {
        auto root = ZBXMLElement::ParseBuffer(bytes.data(), bytes.size());
        if (!root) {
            state.SkipWithError("parse failed");
            return;
        }
        benchmark::DoNotOptimize(root.get());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

void Pugi(benchmark::State& state, const std::string& bytes)
{
    for (auto _ : state) {
        pugi::xml_document doc;
        pugi::xml_parse_result r = doc.load_buffer(bytes.data(), bytes.size());
        if (!r) {
            state.SkipWithError("parse failed");
            return;
        }
        benchmark::DoNotOptimize(doc.first_child());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

void BM_ZBXML_Utf16(benchmark::State& s) { ZBXML(s, Utf16Bytes()); }
void BM_Pugi_Utf16(benchmark::State& s) { Pugi(s, Utf16Bytes()); }
void BM_ZBXML_Utf8(benchmark::State& s) { ZBXML(s, Utf8Bytes()); }
void BM_Pugi_Utf8(benchmark::State& s) { Pugi(s, Utf8Bytes()); }
BENCHMARK(BM_ZBXML_Utf16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pugi_Utf16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZBXML_Utf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pugi_Utf8)->Unit(benchmark::kMillisecond);

// Console output as usual, plus the throughput of each run kept for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            auto it = r.counters.find("bytes_per_second");
            // Plain runs, or the median when repetitions are aggregated.
            if (it == r.counters.end() || r.error_occurred ||
                !(r.aggregate_name.empty() || r.aggregate_name == "median"))
                continue;
            rates[r.run_name.function_name] = it->second.value;
        }
    }
    std::map<std::string, double> rates;
};

} // namespace

int main(int argc, char** argv)
{
    // Same work on both sides: the same elements in the tree.
    for (const std::string* bytes : {&Utf16Bytes(), &Utf8Bytes()}) {
        auto root = ZBXMLElement::ParseBuffer(bytes->data(), bytes->size());
        pugi::xml_document doc;
        if (!root || !doc.load_buffer(bytes->data(), bytes->size()) ||
            CountZB(root.get()) != CountPugi(doc.document_element())) {
            std::fprintf(stderr, "the parsers disagree on the benchmark document\n");
            return 1;
        }
    }
    std::printf("document: %zu bytes UTF-16, %zu bytes UTF-8\n", Utf16Bytes().size(), Utf8Bytes().size());
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* enc : {"Utf16", "Utf8"}) {
        auto zb = reporter.rates.find(std::string("BM_ZBXML_") + enc);
        auto pu = reporter.rates.find(std::string("BM_Pugi_") + enc);
        if (zb == reporter.rates.end() || pu == reporter.rates.end())
            continue;
        std::printf("%-6s ParseBuffer %8.1f MB/s   pugixml %8.1f MB/s   ratio %.3f\n", enc, zb->second / 1e6,
                    pu->second / 1e6, zb->second / pu->second);
    }
    benchmark::Shutdown();
    return 0;
}
