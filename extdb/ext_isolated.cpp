// The child-process reader: a child opens the source with OpenSource and writes
// what was asked for as length-prefixed records into a pipe.
//
// Records: a tag byte, then fields: numbers as 8 little-endian bytes, texts as
// a number (their length) and the bytes.
//   'N' name              a table name
//   'F' name kind size required
//   'I' name primary unique count field...
//   'C' count             the row count the file states
//   'R' values            a row: per value, its state (text, NULL, binary) and text
//   'E' message           a refusal; the child stops
//   'Z'                   the end of a complete answer
#include "extdb/ext_isolated.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "extdb/ext_readers.h"
#include "store/kor_error.h"

namespace korin::extdb {

namespace {

// The state of a value in an 'R' record.
constexpr int64_t kText = 0;
constexpr int64_t kNull = 1;
constexpr int64_t kBinary = 2;

constexpr int kSilenceMs = 30000;

class TWriter {
public:
    explicit TWriter(int fd) : fd_(fd) {}
    ~TWriter() { Flush(); }
    void Tag(char t) { buf_ += t; }
    void Number(int64_t n) {
        for (int i = 0; i < 8; ++i) buf_ += static_cast<char>((static_cast<uint64_t>(n) >> (8 * i)) & 0xFF);
    }
    void Text(const std::string& s) {
        Number(static_cast<int64_t>(s.size()));
        buf_ += s;
        if (buf_.size() > 65536) Flush();
    }
    void Flush() {
        size_t off = 0;
        while (off < buf_.size()) {
            ssize_t w = ::write(fd_, buf_.data() + off, buf_.size() - off);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) ::_exit(3);
            off += static_cast<size_t>(w);
        }
        buf_.clear();
    }

private:
    int fd_;
    std::string buf_;
};

class TReader {
public:
    TReader(const std::string& data, const std::string& path) : data_(data), path_(path) {}
    bool AtEnd() const { return pos_ >= data_.size(); }
    char Tag() {
        Need(1);
        return data_[pos_++];
    }
    int64_t Number() {
        Need(8);
        uint64_t n = 0;
        for (int i = 0; i < 8; ++i) n |= static_cast<uint64_t>(static_cast<unsigned char>(data_[pos_ + i])) << (8 * i);
        pos_ += 8;
        return static_cast<int64_t>(n);
    }
    std::string Text() {
        const int64_t n = Number();
        if (n < 0) ThrowDamaged(path_);
        Need(static_cast<size_t>(n));
        std::string s = data_.substr(pos_, static_cast<size_t>(n));
        pos_ += static_cast<size_t>(n);
        return s;
    }

private:
    void Need(size_t n) const {
        if (data_.size() - pos_ < n) ThrowDamaged(path_);
    }
    const std::string& data_;
    const std::string& path_;
    size_t pos_ = 0;
};

// Runs `work` in a child and returns what it wrote; raises for a child that
// crashed, hung or refused.
template <typename Work>
std::string RunChild(const std::string& path, Work&& work) {
    int fds[2];
    if (::pipe(fds) != 0) throw Exception("ExtDB: Es konnte kein Leseprozess gestartet werden!");
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw Exception("ExtDB: Es konnte kein Leseprozess gestartet werden!");
    }
    if (pid == 0) {
        ::close(fds[0]);
        // The libraries' complaints about a damaged file are not ours to print.
        if (int null = ::open("/dev/null", O_WRONLY); null >= 0) ::dup2(null, 2);
        {
            TWriter out(fds[1]);
            try {
                work(out);
            } catch (const std::exception& e) {
                out.Tag('E');
                out.Text(e.what());
            }
            out.Tag('Z');
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string data;
    char buf[65536];
    bool hung = false;
    while (true) {
        pollfd p{fds[0], POLLIN, 0};
        const int r = ::poll(&p, 1, kSilenceMs);
        if (r < 0 && errno == EINTR) continue;
        if (r == 0) {
            hung = true;
            ::kill(pid, SIGKILL);
            break;
        }
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        data.append(buf, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (hung || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || data.empty() || data.back() != 'Z')
        ThrowDamaged(path);
    data.pop_back();
    return data;
}

class TSnapshotTable final : public IExtTable {
public:
    TSnapshotTable(const std::string& data, const std::string& path) {
        TReader in(data, path);
        while (!in.AtEnd()) {
            const char tag = in.Tag();
            switch (tag) {
                case 'E': throw Exception(in.Text());
                case 'N': name_ = in.Text(); break;
                case 'F': {
                    TExtField f;
                    f.name = in.Text();
                    f.kind = static_cast<TExtFieldKind>(in.Number());
                    f.size = static_cast<int32_t>(in.Number());
                    f.required = in.Number() != 0;
                    fields_.push_back(std::move(f));
                    break;
                }
                case 'I': {
                    TExtIndex idx;
                    idx.name = in.Text();
                    idx.primary = in.Number() != 0;
                    idx.unique = in.Number() != 0;
                    const int64_t n = in.Number();
                    for (int64_t k = 0; k < n; ++k) idx.fields.push_back(in.Text());
                    indexes_.push_back(std::move(idx));
                    break;
                }
                case 'C': count_ = in.Number(); break;
                case 'R': {
                    std::vector<TExtValue> row(fields_.size());
                    for (auto& v : row) {
                        const int64_t state = in.Number();
                        v.null = state == kNull;
                        v.binary = state == kBinary;
                        v.text = in.Text();
                    }
                    rows_.push_back(std::move(row));
                    break;
                }
                default: ThrowDamaged(path);
            }
        }
    }
    const std::string& Name() const override { return name_; }
    const std::vector<TExtField>& Fields() const override { return fields_; }
    const std::vector<TExtIndex>& Indexes() const override { return indexes_; }
    int64_t RowCount() override { return count_ >= 0 ? count_ : static_cast<int64_t>(rows_.size()); }
    void Rewind() override { next_ = 0; }
    bool NextRow(std::vector<TExtValue>& row) override {
        if (next_ >= rows_.size()) return false;
        row = rows_[next_++];
        return true;
    }

private:
    std::string name_;
    std::vector<TExtField> fields_;
    std::vector<TExtIndex> indexes_;
    std::vector<std::vector<TExtValue>> rows_;
    int64_t count_ = -1;
    size_t next_ = 0;
};

class TIsolatedSource final : public IExtSource {
public:
    TIsolatedSource(const std::string& path, TExtFormat format) : path_(path), format_(format) {
        const std::string data = RunChild(path_, [&](TWriter& out) {
            auto source = OpenSource(path_, format_);
            out.Tag('C');
            out.Number(static_cast<int64_t>(source->Format()));
            for (const auto& name : source->TableNames()) {
                out.Tag('N');
                out.Text(name);
            }
        });
        TReader in(data, path_);
        while (!in.AtEnd()) {
            const char tag = in.Tag();
            if (tag == 'E') throw Exception(in.Text());
            if (tag == 'C') format_ = static_cast<TExtFormat>(in.Number());
            else if (tag == 'N') names_.push_back(in.Text());
            else ThrowDamaged(path_);
        }
    }
    TExtFormat Format() const override { return format_; }
    const std::string& Path() const override { return path_; }
    std::vector<std::string> TableNames() override { return names_; }
    std::unique_ptr<IExtTable> OpenTable(const std::string& name) override {
        const std::string data = RunChild(path_, [&](TWriter& out) {
            auto source = OpenSource(path_, format_);
            auto table = source->OpenTable(name);
            out.Tag('N');
            out.Text(table->Name());
            for (const auto& f : table->Fields()) {
                out.Tag('F');
                out.Text(f.name);
                out.Number(static_cast<int64_t>(f.kind));
                out.Number(f.size);
                out.Number(f.required);
            }
            for (const auto& idx : table->Indexes()) {
                out.Tag('I');
                out.Text(idx.name);
                out.Number(idx.primary);
                out.Number(idx.unique);
                out.Number(static_cast<int64_t>(idx.fields.size()));
                for (const auto& f : idx.fields) out.Text(f);
            }
            out.Tag('C');
            out.Number(table->RowCount());
            std::vector<TExtValue> row;
            while (table->NextRow(row)) {
                out.Tag('R');
                for (const auto& v : row) {
                    out.Number(v.null ? kNull : v.binary ? kBinary : kText);
                    out.Text(v.text);
                }
            }
        });
        return std::make_unique<TSnapshotTable>(data, path_);
    }

private:
    std::string path_;
    TExtFormat format_;
    std::vector<std::string> names_;
};

}  // namespace

std::unique_ptr<IExtSource> OpenSourceIsolated(const std::string& path, TExtFormat format) {
    return std::make_unique<TIsolatedSource>(path, format);
}

}  // namespace korin::extdb
