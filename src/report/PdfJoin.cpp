#include "report/PdfJoin.h"

#include <algorithm>
#include <functional>

namespace {

using TMapRef = std::function<int(int)>;

struct TPdfObject {
    int number = 0;
    qsizetype begin = 0, end = 0;  // "N G obj" up to the next object or the table
};

struct TPdfPart {
    const QByteArray *data = nullptr;
    std::vector<TPdfObject> objects;  // in file order
    int size = 0, root = 0, info = 0, pages = 0;
    QByteArray kids;   // the page tree's kids as written ("6 0 R\n12 0 R\n...")
    qsizetype xref = 0;
};

bool IsSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }
bool IsDelimiter(char c) {
    return IsSpace(c) || c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' ||
           c == '}' || c == '/' || c == '%';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

qsizetype SkipSpace(QByteArrayView s, qsizetype i) {
    while (i < s.size() && IsSpace(s[i])) ++i;
    return i;
}

// Reads an unsigned integer at i; -1 when there is none.
long long ReadNumber(QByteArrayView s, qsizetype &i) {
    if (i >= s.size() || !IsDigit(s[i])) return -1;
    long long n = 0;
    while (i < s.size() && IsDigit(s[i]) && n < (1LL << 40)) n = n * 10 + (s[i++] - '0');
    return n;
}

// The end of a literal string that starts at i with '(': nested brackets and escapes count.
qsizetype LiteralStringEnd(QByteArrayView s, qsizetype i) {
    int depth = 0;
    for (; i < s.size(); ++i) {
        if (s[i] == '\\') ++i;
        else if (s[i] == '(') ++depth;
        else if (s[i] == ')' && --depth == 0) return i + 1;
    }
    return s.size();
}

// Copies an object's value from `head`, putting map(N) for every reference "N G R"; stops at the
// keyword "stream" or "endobj" outside strings and returns where it stopped.
qsizetype CopyRenumbered(QByteArrayView s, const TMapRef &map, QByteArray &out) {
    qsizetype i = 0;
    while (i < s.size()) {
        const char c = s[i];
        if (c == '(') {
            const qsizetype e = LiteralStringEnd(s, i);
            out.append(s.sliced(i, e - i));
            i = e;
        } else if (c == '<' && i + 1 < s.size() && s[i + 1] == '<') {
            out.append("<<");
            i += 2;
        } else if (c == '<') {
            qsizetype e = s.indexOf('>', i);
            e = e < 0 ? s.size() : e + 1;
            out.append(s.sliced(i, e - i));
            i = e;
        } else if (c == '%') {
            qsizetype e = i;
            while (e < s.size() && s[e] != '\n' && s[e] != '\r') ++e;
            out.append(s.sliced(i, e - i));
            i = e;
        } else if (IsDigit(c) && (i == 0 || IsDelimiter(s[i - 1]))) {
            qsizetype j = i;
            const long long number = ReadNumber(s, j);
            qsizetype k = SkipSpace(s, j);
            qsizetype g = k;
            const long long gen = k > j ? ReadNumber(s, g) : -1;
            qsizetype r = SkipSpace(s, g);
            if (gen >= 0 && r > g && r < s.size() && s[r] == 'R' && (r + 1 == s.size() || IsDelimiter(s[r + 1]))) {
                out.append(QByteArray::number(map(int(number))));
                out.append(s.sliced(j, r + 1 - j));
                i = r + 1;
            } else {
                out.append(s.sliced(i, j - i));
                i = j;
            }
        } else if (c == 's' && s.sliced(i).startsWith("stream") && (i == 0 || IsDelimiter(s[i - 1]))) {
            return i;
        } else if (c == 'e' && s.sliced(i).startsWith("endobj") && (i == 0 || IsDelimiter(s[i - 1]))) {
            return i;
        } else {
            out.append(c);
            ++i;
        }
    }
    return i;
}

// The number of the reference that follows `key` in `head` ("/Pages 3 0 R"); 0 when there is none.
int ReferenceAfter(QByteArrayView head, QByteArrayView key) {
    const qsizetype at = head.indexOf(key);
    if (at < 0) return 0;
    qsizetype i = SkipSpace(head, at + key.size());
    const long long n = ReadNumber(head, i);
    return n > 0 && n < (1LL << 31) ? int(n) : 0;
}

class TPartReader {
public:
    TPartReader(const QByteArray &data, TPdfPart &part, QString *error) : s_(data), part_(part), error_(error) {
        part_.data = &data;
    }

    bool Read() {
        return ReadXref() && ReadTrailer() && ReadPages();
    }

private:
    bool Fail(const QString &why) {
        *error_ = why;
        return false;
    }

    bool ReadXref() {
        const qsizetype at = s_.lastIndexOf("startxref");
        if (at < 0) return Fail(QStringLiteral("PDF部分文件没有交叉引用表。"));
        qsizetype i = SkipSpace(s_, at + 9);
        const long long xref = ReadNumber(s_, i);
        if (xref <= 0 || xref >= at || !s_.sliced(xref).startsWith("xref"))
            return Fail(QStringLiteral("PDF部分文件的交叉引用表位置不对。"));
        part_.xref = qsizetype(xref);
        i = qsizetype(xref) + 4;
        for (;;) {
            i = SkipSpace(s_, i);
            if (s_.sliced(i).startsWith("trailer")) break;
            const long long first = ReadNumber(s_, i);
            i = SkipSpace(s_, i);
            const long long count = ReadNumber(s_, i);
            if (first < 0 || count < 0 || first + count > (1 << 30)) return Fail(QStringLiteral("PDF部分文件的交叉引用表无法读取。"));
            for (long long n = first; n < first + count; ++n) {
                i = SkipSpace(s_, i);
                const long long offset = ReadNumber(s_, i);
                i = SkipSpace(s_, i);
                ReadNumber(s_, i);
                i = SkipSpace(s_, i);
                if (offset < 0 || i >= s_.size()) return Fail(QStringLiteral("PDF部分文件的交叉引用表无法读取。"));
                const char kind = s_[i++];
                if (kind == 'n' && n > 0) part_.objects.push_back({int(n), qsizetype(offset), 0});
            }
        }
        std::sort(part_.objects.begin(), part_.objects.end(),
                  [](const TPdfObject &a, const TPdfObject &b) { return a.begin < b.begin; });
        for (size_t k = 0; k < part_.objects.size(); ++k) {
            TPdfObject &o = part_.objects[k];
            o.end = k + 1 < part_.objects.size() ? part_.objects[k + 1].begin : part_.xref;
            qsizetype j = o.begin;
            if (o.end <= o.begin || ReadNumber(s_, j) != o.number) return Fail(QStringLiteral("PDF部分文件的对象位置不对。"));
        }
        return true;
    }

    bool ReadTrailer() {
        const QByteArrayView trailer = s_.sliced(s_.lastIndexOf("trailer"));
        if (trailer.contains("/Prev") || trailer.contains("/XRefStm") || trailer.contains("/Encrypt"))
            return Fail(QStringLiteral("PDF部分文件含有增量更新或加密，不能合并。"));
        part_.root = ReferenceAfter(trailer, "/Root");
        part_.info = ReferenceAfter(trailer, "/Info");
        qsizetype i = trailer.indexOf("/Size");
        if (i >= 0) i = SkipSpace(trailer, i + 5);
        const long long size = i >= 0 ? ReadNumber(trailer, i) : -1;
        if (part_.root <= 0 || size <= 0) return Fail(QStringLiteral("PDF部分文件的文件尾无法读取。"));
        part_.size = int(size);
        where_.assign(size_t(part_.size), -1);
        for (size_t k = 0; k < part_.objects.size(); ++k) {
            const int n = part_.objects[k].number;
            if (n >= part_.size) return Fail(QStringLiteral("PDF部分文件的对象编号超出范围。"));
            where_[size_t(n)] = qsizetype(k);
        }
        return true;
    }

    QByteArrayView Body(int number) const {
        if (number <= 0 || number >= int(where_.size()) || where_[size_t(number)] < 0) return {};
        const TPdfObject &o = part_.objects[size_t(where_[size_t(number)])];
        return s_.sliced(o.begin, o.end - o.begin);
    }

    bool ReadPages() {
        part_.pages = ReferenceAfter(Body(part_.root), "/Pages");
        const QByteArrayView pages = Body(part_.pages);
        const qsizetype kids = pages.indexOf("/Kids");
        const qsizetype open = kids < 0 ? -1 : pages.indexOf('[', kids);
        const qsizetype close = open < 0 ? -1 : pages.indexOf(']', open);
        if (close < 0) return Fail(QStringLiteral("PDF部分文件没有页面树。"));
        const QByteArrayView list = pages.sliced(open + 1, close - open - 1);
        // One level of pages only: every kid must be a page, not another node.
        QByteArray dummy;
        std::vector<int> numbers;
        CopyRenumbered(list, [&](int n) { numbers.push_back(n); return n; }, dummy);
        for (int n : numbers)
            if (Body(n).isEmpty() || Body(n).contains("/Kids"))
                return Fail(QStringLiteral("PDF部分文件的页面树有多层，不能合并。"));
        part_.kids = list.toByteArray();
        return true;
    }

    QByteArrayView s_;
    TPdfPart &part_;
    QString *error_;
    std::vector<qsizetype> where_;  // object number -> index in part_.objects
};

class TPartWriter {
public:
    TPartWriter(std::vector<TPdfPart> &parts, QIODevice &out) : parts_(parts), out_(out) {
        int base = 0;
        for (const TPdfPart &p : parts_) {
            bases_.push_back(base);
            base += p.size - 1;
        }
        size_ = base + 1;
        offsets_.assign(size_t(size_), -1);
    }

    bool Write() {
        const TPdfPart &first = parts_.front();
        if (!Put(first.data->left(first.objects.front().begin))) return false;
        for (size_t k = 0; k < parts_.size(); ++k)
            for (const TPdfObject &o : parts_[k].objects)
                if (!Skipped(k, o.number) && !PutObject(k, o)) return false;
        return PutTable();
    }

private:
    // The later parts' catalogs, document information and page tree nodes give way to the first's.
    bool Skipped(size_t k, int number) const {
        const TPdfPart &p = parts_[k];
        return k > 0 && (number == p.root || number == p.info || number == p.pages);
    }

    int Map(size_t k, int number) const {
        if (number == parts_[k].pages) return parts_.front().pages;
        return number + bases_[k];
    }

    bool PutObject(size_t k, const TPdfObject &o) {
        const TPdfPart &p = parts_[k];
        const QByteArrayView body = QByteArrayView(*p.data).sliced(o.begin, o.end - o.begin);
        const qsizetype objAt = body.indexOf("obj");
        if (objAt < 0) return false;
        qsizetype numberEnd = 0;
        while (numberEnd < body.size() && IsDigit(body[numberEnd])) ++numberEnd;
        const int number = Map(k, o.number);
        offsets_[size_t(number)] = written_;
        QByteArray head = QByteArray::number(number);
        head.append(body.sliced(numberEnd, objAt + 3 - numberEnd));
        const QByteArrayView rest = body.sliced(objAt + 3);
        if (k == 0 && o.number == p.pages) return Put(head + PageTree(rest));
        const qsizetype stop = CopyRenumbered(rest, [&](int n) { return Map(k, n); }, head);
        return Put(head) && Put(rest.sliced(stop));
    }

    // The first part's page tree node with the kids of every part and their count.
    QByteArray PageTree(QByteArrayView rest) const {
        const qsizetype open = rest.indexOf('[', rest.indexOf("/Kids"));
        const qsizetype close = rest.indexOf(']', open);
        QByteArray kids;
        int count = 0;
        for (size_t k = 0; k < parts_.size(); ++k) {
            if (!kids.isEmpty() && !IsSpace(kids.back())) kids.append(' ');  // "3 0 R" "8 0 R" stay apart
            CopyRenumbered(parts_[k].kids, [&](int n) { ++count; return Map(k, n); }, kids);
        }
        QByteArray tree = rest.first(open + 1).toByteArray() + kids + rest.sliced(close).toByteArray();
        const qsizetype at = tree.indexOf("/Count");
        if (at >= 0) {
            qsizetype i = SkipSpace(tree, at + 6), j = i;
            ReadNumber(tree, j);
            tree.replace(i, j - i, QByteArray::number(count));
        }
        return tree;
    }

    bool PutTable() {
        const qint64 xref = written_;
        QByteArray table = "xref\n0 " + QByteArray::number(size_) + "\n";
        // Free entries link into one list from entry 0, as the format asks.
        std::vector<int> free;
        for (int n = 1; n < size_; ++n)
            if (offsets_[size_t(n)] < 0) free.push_back(n);
        free.push_back(0);
        table.append(QByteArray::number(free.front()).rightJustified(10, '0') + " 65535 f \n");
        size_t nextFree = 1;
        for (int n = 1; n < size_; ++n) {
            const qint64 at = offsets_[size_t(n)];
            if (at >= 0) table.append(QByteArray::number(at).rightJustified(10, '0') + " 00000 n \n");
            else table.append(QByteArray::number(free[nextFree++]).rightJustified(10, '0') + " 00001 f \n");
        }
        const TPdfPart &first = parts_.front();
        table.append("trailer\n<<\n/Size " + QByteArray::number(size_) + "\n");
        if (first.info > 0) table.append("/Info " + QByteArray::number(first.info) + " 0 R\n");
        table.append("/Root " + QByteArray::number(first.root) + " 0 R\n>>\nstartxref\n" + QByteArray::number(xref) +
                     "\n%%EOF\n");
        return Put(table);
    }

    bool Put(QByteArrayView bytes) {
        if (out_.write(bytes.data(), bytes.size()) != bytes.size()) return false;
        written_ += bytes.size();
        return true;
    }

    std::vector<TPdfPart> &parts_;
    QIODevice &out_;
    std::vector<int> bases_;
    std::vector<qint64> offsets_;
    int size_ = 0;
    qint64 written_ = 0;
};

}  // namespace

bool JoinPdfParts(const std::vector<QByteArray> &parts, QIODevice &out, QString *error) {
    if (parts.empty()) {
        *error = QStringLiteral("没有可合并的PDF部分文件。");
        return false;
    }
    std::vector<TPdfPart> read(parts.size());
    for (size_t k = 0; k < parts.size(); ++k) {
        if (!TPartReader(parts[k], read[k], error).Read()) return false;
        if (read[k].objects.empty()) {
            *error = QStringLiteral("PDF部分文件没有对象。");
            return false;
        }
    }
    if (!TPartWriter(read, out).Write()) {
        *error = QStringLiteral("PDF文件写入失败。");
        return false;
    }
    return true;
}
