#include "core/Csv.h"

#include <utility>

namespace core {
namespace {

constexpr std::size_t kChunkBytes = std::size_t{64} << 10;

}  // namespace

CsvReader::CsvReader(Source source) : source_(std::move(source)), buffer_(kChunkBytes) {}

bool CsvReader::Refill() {
    if (eof_) return false;
    pos_ = 0;
    end_ = source_(buffer_.data(), buffer_.size());
    if (end_ == 0) eof_ = true;
    return end_ > 0;
}

void CsvReader::Append(CsvRecord& record, char c) {
    if (record.count >= kMaxFields || recordBytes_ >= kMaxRecordBytes) {
        record.tooLong = true;
        return;
    }
    ++recordBytes_;
    record.fields[record.count] += c;
}

void CsvReader::EndField(CsvRecord& record) {
    if (record.count >= kMaxFields) {
        record.tooLong = true;
        return;
    }
    ++record.count;
    ++recordBytes_;  // the comma
    if (record.count == kMaxFields) return;
    if (record.fields.size() <= record.count) record.fields.emplace_back();
    record.fields[record.count].clear();
}

bool CsvReader::Next(CsvRecord& record) {
    enum class State { kFieldStart, kUnquoted, kQuoted, kQuoteSeen };
    State state = State::kFieldStart;
    bool started = false;    // a byte other than an empty line's break was read
    bool pendingCr = false;  // a CR outside quotes, which an LF would make a line end
    record.count = 0;
    record.unclosedQuote = record.tooLong = record.endsInCrLf = false;
    recordBytes_ = 0;
    if (record.fields.empty()) record.fields.emplace_back();
    record.fields[0].clear();

    const auto start = [&] {
        if (started) return;
        started = true;
        record.line = line_;
    };

    for (;;) {
        if (pos_ == end_ && !Refill()) {
            if (pendingCr) {
                start();
                Append(record, '\r');
            }
            if (!started) return false;
            record.unclosedQuote = state == State::kQuoted;
            EndField(record);
            return true;
        }
        const char c = buffer_[pos_++];

        if (pendingCr) {
            pendingCr = false;
            if (c == '\n') {
                ++line_;
                if (!started) continue;  // an empty line
                record.endsInCrLf = true;
                EndField(record);
                return true;
            }
            // A lone CR is an ordinary character of the field.
            start();
            Append(record, '\r');
            if (state != State::kUnquoted) state = State::kUnquoted;
        }

        switch (state) {
            case State::kQuoted:
                if (c == '"') {
                    state = State::kQuoteSeen;
                } else {
                    if (c == '\n') ++line_;
                    Append(record, c);
                }
                continue;
            case State::kQuoteSeen:
                if (c == '"') {
                    Append(record, '"');
                    state = State::kQuoted;
                    continue;
                }
                break;
            case State::kFieldStart:
                if (c == '"') {
                    start();
                    state = State::kQuoted;
                    continue;
                }
                break;
            case State::kUnquoted:
                break;
        }

        // Outside quotes.
        if (c == ',') {
            start();
            EndField(record);
            state = State::kFieldStart;
        } else if (c == '\n') {
            ++line_;
            if (!started) continue;  // an empty line
            EndField(record);
            return true;
        } else if (c == '\r') {
            pendingCr = true;
        } else {
            start();
            Append(record, c);
            state = State::kUnquoted;
        }
    }
}

CsvWriter::CsvWriter(Sink sink, std::string_view lineEnd)
    : sink_(std::move(sink)), lineEnd_(lineEnd) {
    out_.reserve(kChunkBytes + 4096);
}

CsvWriter::~CsvWriter() { Flush(); }

void CsvWriter::Separate() {
    if (!firstField_) out_ += ',';
    firstField_ = false;
}

std::string& CsvWriter::RawField() {
    Separate();
    return out_;
}

void CsvWriter::Field(std::string_view text) {
    Separate();
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out_ += text;
        return;
    }
    out_ += '"';
    for (char c : text) {
        if (c == '"') out_ += '"';
        out_ += c;
    }
    out_ += '"';
}

void CsvWriter::EndRecord() {
    out_ += lineEnd_;
    firstField_ = true;
    if (out_.size() >= kChunkBytes) Flush();
}

bool CsvWriter::Flush() {
    if (!out_.empty() && !failed_) failed_ = !sink_(out_);
    out_.clear();
    return !failed_;
}

}  // namespace core
