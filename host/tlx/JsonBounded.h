// JSON parsing that no text can turn into a stack overflow, header-only so that the controller
// emulator uses it too. RapidJSON's iterative reader keeps its state on the heap, and nesting deeper
// than the limit ends the parse (kParseErrorTermination), so that whatever walks the document
// afterwards (writing it out, copying it) recurses only as deep as the limit.
#pragma once
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include <rapidjson/document.h>
#include <rapidjson/encodedstream.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

namespace TLX {
namespace Json {
// Objects and arrays open at once. A device-tree answer needs about a dozen.
constexpr unsigned MAX_JSON_DEPTH = 64;

namespace Internals {
// Passes every event on to the document, refusing an object or array beyond the limit.
template <typename Handler> struct CDepthLimitedHandler {
    Handler& next;
    unsigned depth;

    bool Null() { return next.Null(); }
    bool Bool(bool b) { return next.Bool(b); }
    bool Int(int i) { return next.Int(i); }
    bool Uint(unsigned u) { return next.Uint(u); }
    bool Int64(std::int64_t i) { return next.Int64(i); }
    bool Uint64(std::uint64_t u) { return next.Uint64(u); }
    bool Double(double d) { return next.Double(d); }
    bool RawNumber(const char* s, rapidjson::SizeType n, bool copy) { return next.RawNumber(s, n, copy); }
    bool String(const char* s, rapidjson::SizeType n, bool copy) { return next.String(s, n, copy); }
    bool Key(const char* s, rapidjson::SizeType n, bool copy) { return next.Key(s, n, copy); }
    bool StartObject() { return ++depth <= MAX_JSON_DEPTH && next.StartObject(); }
    bool EndObject(rapidjson::SizeType members) {
        --depth;
        return next.EndObject(members);
    }
    bool StartArray() { return ++depth <= MAX_JSON_DEPTH && next.StartArray(); }
    bool EndArray(rapidjson::SizeType elements) {
        --depth;
        return next.EndArray(elements);
    }
};

template <unsigned Flags = rapidjson::kParseIterativeFlag, typename Document, typename Stream>
rapidjson::ParseResult ParseBounded(Document& doc, Stream& stream) {
    rapidjson::ParseResult result;
    auto generate = [&stream, &result](auto& handler) {
        CDepthLimitedHandler<std::remove_reference_t<decltype(handler)>> limited{handler, 0};
        rapidjson::Reader reader;
        result = reader.Parse<Flags>(stream, limited);
        return !result.IsError();
    };
    doc.Populate(generate);
    return result;
}
} // namespace Internals

// Parses the text up to its zero character into `doc`, which keeps its value on failure. A nesting
// beyond MAX_JSON_DEPTH is the error kParseErrorTermination.
template <typename Document> rapidjson::ParseResult ParseBounded(Document& doc, const char* text) {
    rapidjson::StringStream stream(text);
    return Internals::ParseBounded(doc, stream);
}

// The same in place: the document's strings point into `text`, which it changes and which must live
// as long as the document. Saves copying every string of a large text into the document's pool.
template <typename Document> rapidjson::ParseResult ParseBoundedInsitu(Document& doc, char* text) {
    rapidjson::InsituStringStream stream(text);
    return Internals::ParseBounded<rapidjson::kParseIterativeFlag | rapidjson::kParseInsituFlag>(doc, stream);
}

// The same for `length` bytes of text, zero characters included.
template <typename Document> rapidjson::ParseResult ParseBounded(Document& doc, const char* text, std::size_t length) {
    rapidjson::MemoryStream memory(text, length);
    rapidjson::EncodedInputStream<rapidjson::UTF8<>, rapidjson::MemoryStream> stream(memory);
    return Internals::ParseBounded(doc, stream);
}
} // namespace Json
} // namespace TLX
