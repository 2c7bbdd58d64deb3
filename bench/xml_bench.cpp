// XML reader figures: how fast the entity blow-ups (nested "laughs" and one
// big entity referenced many times) are refused, and the read and write
// throughput of an ordinary 10 MB document. Release build: `make bench`.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "export/xml_document.h"

using namespace zavlin;

namespace {

using Clock = std::chrono::steady_clock;

double milliseconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "xml_bench: %s\n", what.c_str());
    std::exit(1);
}

std::string billionLaughs() {
    std::string text = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
    std::string previous = "lol";
    for (int i = 1; i <= 9; ++i) {
        const std::string name = "lol" + std::to_string(i);
        text += "<!ENTITY " + name + " \"";
        for (int k = 0; k < 10; ++k) text += "&" + previous + ";";
        text += "\">\n";
        previous = name;
    }
    return text + "]>\n<lolz>&lol9;</lolz>\n";
}

// A 100 kB entity referenced 20000 times: 2 GB once expanded.
std::string quadraticBlowUp() {
    std::string text = "<!DOCTYPE q [<!ENTITY big \"" + std::string(100000, 'x') + "\">]>\n<q>";
    for (int i = 0; i < 20000; ++i) text += "&big;";
    return text + "</q>\n";
}

// 20000 small entities, each used once: reading must stay linear in the
// number of declarations.
std::string manyEntities() {
    std::string text = "<!DOCTYPE m [\n";
    for (int i = 1; i <= 20000; ++i) text += "<!ENTITY e" + std::to_string(i) + " \"value\">\n";
    text += "]>\n<m>\n";
    for (int i = 1; i <= 20000; ++i) text += "<f>&e" + std::to_string(i) + ";</f>\n";
    return text + "</m>\n";
}

// Groups with attributes, fields and escaped texts, about `bytes` long.
std::string ordinaryDocument(std::size_t bytes) {
    TXMLCreater doc;
    TXMLObject* root = doc.CreateMainXMLObject("Raspisanie");
    root->AddNewXMLAtr("God", int32_t{2016});
    std::string text;
    std::size_t groups = 100;  // until the size of the first hundred is known
    for (std::size_t g = 0;; ++g) {
        TXMLObject* group = root->CreateXMLObject("Gryp");
        group->AddNewXMLAtr("N", static_cast<uint32_t>(g));
        group->AddNewXMLAtr("Name", "Группа " + std::to_string(g));
        for (int lesson = 0; lesson < 8; ++lesson) {
            TXMLObject* yr = group->CreateXMLObject("Yr");
            yr->AddNewXMLAtr("Yrok", static_cast<int32_t>(lesson));
            yr->AddNewXMLField("Predmet", "Математика & физика <практика>");
            yr->AddNewXMLField("Fio", "Иванова А.Б.");
            yr->AddNewXMLField("Ayd", "203");
        }
        if (g + 1 == groups) {
            if (!doc.SaveToAnsiString(text)) fail(doc.LastError());
            if (text.size() >= bytes) return text;
            groups = std::max(groups + 1, bytes / (text.size() / groups) + 1);
        }
    }
}

void refusal(const char* what, const std::string& text) {
    TXMLCreater doc;
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        const auto a = Clock::now();
        const bool ok = doc.LoadFromAnsiString(text);
        const auto b = Clock::now();
        if (ok) fail(std::string(what) + " was read");
        best = std::min(best, milliseconds(a, b));
    }
    std::printf("%-28s %8zu bytes  refused in %8.3f ms  (%s)\n", what, text.size(), best,
                doc.LastError().c_str());
}

}  // namespace

int main() {
    refusal("billion laughs", billionLaughs());
    refusal("quadratic blow-up", quadraticBlowUp());

    const std::string entities = manyEntities();
    TXMLCreater doc;
    const auto e0 = Clock::now();
    if (!doc.LoadFromAnsiString(entities)) fail(doc.LastError());
    const auto e1 = Clock::now();
    std::printf("%-28s %8zu bytes  read in %11.3f ms\n", "20000 entities", entities.size(),
                milliseconds(e0, e1));

    const std::string text = ordinaryDocument(10u << 20);
    double readBest = 1e9, writeBest = 1e9;
    for (int run = 0; run < 3; ++run) {
        const auto a = Clock::now();
        if (!doc.LoadFromAnsiString(text)) fail(doc.LastError());
        const auto b = Clock::now();
        std::string written;
        if (!doc.SaveToAnsiString(written)) fail(doc.LastError());
        const auto c = Clock::now();
        if (written != text) fail("the document did not write back the same");
        readBest = std::min(readBest, milliseconds(a, b));
        writeBest = std::min(writeBest, milliseconds(b, c));
    }
    const double mb = static_cast<double>(text.size()) / (1 << 20);
    std::printf("ordinary document %.1f MB: read %.1f ms (%.1f MB/s), write %.1f ms (%.1f MB/s)\n",
                mb, readBest, mb / readBest * 1000, writeBest, mb / writeBest * 1000);
    return 0;
}
