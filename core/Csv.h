#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// One record of a CSV text (RFC 4180): its fields, unquoted, and where it
// began. The strings keep their capacity from record to record, so that a
// long run allocates only while its rows grow.
struct CsvRecord {
    std::vector<std::string> fields;  // the first `count` are this record's
    std::size_t count = 0;
    // The physical line (1-based) on which the record begins; a quoted field
    // may carry line breaks, so the next record may begin several lines on.
    std::size_t line = 0;
    bool unclosedQuote = false;  // the input ended inside a quoted field
    bool tooLong = false;        // cut at kMaxRecordBytes or kMaxFields
    bool endsInCrLf = false;     // its line break was CR LF

    std::string_view operator[](std::size_t i) const { return fields[i]; }
};

// Reads records from bytes pulled in chunks, in constant memory: a record
// longer than its limits is cut (and says so) rather than held whole.
// Records end at LF or CR LF outside quotes; inside quotes every byte,
// line breaks included, belongs to the field, and "" is one quote. A quote
// that does not open a field is an ordinary character, as is anything
// between a closing quote and the next comma. An empty line is no record.
class CsvReader {
public:
    // Fills the buffer with up to `size` bytes and returns how many; 0 at
    // the end of the input.
    using Source = std::function<std::size_t(char* buffer, std::size_t size)>;

    static constexpr std::size_t kMaxRecordBytes = std::size_t{1} << 20;
    static constexpr std::size_t kMaxFields = 4096;

    explicit CsvReader(Source source);

    // The next record, or false at the end of the input.
    bool Next(CsvRecord& record);

private:
    bool Refill();
    void EndField(CsvRecord& record);
    void Append(CsvRecord& record, char c);

    Source source_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
    std::size_t line_ = 1;  // the physical line of the next byte
    std::size_t recordBytes_ = 0;
};

// Appends records to a text as CSV, quoting a field only where it holds a
// comma, a quote or a line break; flushes to the sink in large pieces.
class CsvWriter {
public:
    // Takes the bytes and returns false when they could not be written.
    using Sink = std::function<bool(std::string_view bytes)>;

    CsvWriter(Sink sink, std::string_view lineEnd);
    ~CsvWriter();

    void Field(std::string_view text);
    void EndRecord();
    // Writes out what is held; false once any write has failed.
    bool Flush();
    bool Failed() const { return failed_; }

    // The text to which the next field's characters may be appended
    // directly, when the caller knows they need no quoting.
    std::string& RawField();

private:
    void Separate();

    Sink sink_;
    std::string lineEnd_;
    std::string out_;
    bool firstField_ = true;
    bool failed_ = false;
};

}  // namespace core
