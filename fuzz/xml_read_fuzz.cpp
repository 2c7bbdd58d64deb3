// Fuzz target: the input is an XML document. When it reads, the document is
// written back (as UTF-8 when its own encoding cannot be written) and read
// again; the second read must succeed and write the same bytes. The one
// exception is an element written with nothing inside: the text cannot tell
// it from an empty field, so it comes back as a field and moves among the
// fields; from then on the text must not change. A refused input must leave
// an empty document and a message naming its line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "export/xml_document.h"

namespace {

void require(bool ok) {
    if (!ok) std::abort();
}

// An element below the root that writes no attribute, field or child.
bool hasBareElement(const zavlin::TXMLObject& object, bool canWriteSize) {
    for (int i = 0; i < object.CountLXMLObject(); ++i) {
        const zavlin::TXMLObject& child = *object.XMLObject(i);
        bool writesField = false;
        for (int f = 0; f < child.CountLXMLField(); ++f)
            writesField = writesField || canWriteSize || !child.XMLField(f)->IsEmpty();
        if (child.CountLXMLAtr() == 0 && child.CountLXMLObject() == 0 && !writesField) return true;
        if (hasBareElement(child, canWriteSize)) return true;
    }
    return false;
}

std::string readAndWrite(const std::string& text, bool canWriteSize, const std::string& encoding) {
    zavlin::TXMLCreater doc;
    doc.SetCanWriteSize(canWriteSize);
    require(doc.LoadFromAnsiString(text));
    require(doc.Encoding() == encoding);
    std::string out;
    require(doc.SaveToAnsiString(out));
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    zavlin::TXMLCreater doc;
    if (!doc.LoadFromAnsiString(input)) {
        require(doc.MainXMLObject() == nullptr && doc.XMLDocType() == nullptr);
        require(doc.LastError().find("строка ") != std::string::npos);
        return 0;
    }
    require(doc.MainXMLObject() != nullptr);
    if (doc.Encoding().empty()) doc.SetEncoding("utf-8");
    // Both settings of empty fields must survive the trip.
    doc.SetCanWriteSize((size & 1) != 0);
    std::string first;
    require(doc.SaveToAnsiString(first));

    const std::string second = readAndWrite(first, doc.CanWriteSize(), doc.Encoding());
    if (hasBareElement(*doc.MainXMLObject(), doc.CanWriteSize()))
        require(readAndWrite(second, doc.CanWriteSize(), doc.Encoding()) == second);
    else
        require(second == first);
    return 0;
}
