#include "platform/db/FilterExpression.h"

#include "platform/Error.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace wo::db {

namespace {

// Bounds the parser's recursion, so a hostile expression cannot exhaust the stack.
constexpr int kMaxNesting = 64;

bool isIntegral(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

bool isNumeric(const QVariant& value) {
    const int type = value.typeId();
    return isIntegral(value) || type == QMetaType::ULongLong || type == QMetaType::Double ||
           type == QMetaType::Float;
}

template <typename T> int threeWay(T a, T b) {
    return (a > b) - (a < b);
}

// Index keys: values that compare equal share a key. A finite number is keyed by
// its value, whatever its type or spelling; anything else compares as its text.
// The process's random seed keeps crafted values from piling into one bucket.
constexpr std::size_t kNumberDomain = 0x9e3779b97f4a7c15u;

std::size_t numberKey(double number) {
    return qHash(number == 0 ? 0.0 : number, QHashSeed::globalSeed() ^ kNumberDomain);
}

std::size_t textKey(QByteArrayView utf8) {
    return qHash(utf8, QHashSeed::globalSeed());
}

std::size_t keyOf(const Cell& cell) {
    if (cell.kind == Cell::Kind::Integer)
        return numberKey(double(cell.integer));
    if (cell.kind == Cell::Kind::Text)
        return textKey(cell.view());
    const QVariant value = cell.value();
    if (isNumeric(value) && std::isfinite(value.toDouble()))
        return numberKey(value.toDouble());
    return textKey(value.toString().toUtf8());
}

QStringList splitAtWildcards(const QString& pattern) {
    QStringList parts;
    QString part;
    for (const QChar c : pattern) {
        if (c == u'*' || c == u'%') {
            parts << part;
            part.clear();
        } else {
            part += c;
        }
    }
    parts << part;
    return parts;
}

bool likeMatches(const QStringList& parts, const QString& text) {
    if (parts.size() == 1)
        return text == parts.front();
    if (!text.startsWith(parts.front()))
        return false;
    qsizetype from = parts.front().size();
    for (qsizetype i = 1; i + 1 < parts.size(); ++i) {
        const qsizetype at = text.indexOf(parts[i], from);
        if (at < 0)
            return false;
        from = at + parts[i].size();
    }
    return text.size() - from >= parts.back().size() && text.endsWith(parts.back());
}

} // namespace

class FilterParser {
public:
    FilterParser(const QString& text, const QHash<QString, int>& columns, FilterExpression& out)
        : m_text(text), m_columns(columns), m_out(out) {}

    void parse() {
        tokenize();
        m_out.m_root = parseList(0, Token::Or);
        if (peek().kind != Token::End)
            expected(peek(), QStringLiteral("And、Or 或表达式的结尾"));
    }

private:
    using Op = FilterExpression::Op;
    using Node = FilterExpression::Node;
    using Literal = FilterExpression::Literal;

    struct Token {
        enum Kind { Name, Text, Number, Operator, Open, Close, And, Or, Null, End } kind;
        qsizetype pos;
        // The name or the literal's value; for messages the source slice is used.
        QString text;
        qsizetype length = 0;
        Op op = Op::Equal;
    };

    [[noreturn]] void failAt(qsizetype pos, const QString& what) const {
        throw err::make(err::InvalidFilter, QStringLiteral("第 %1 个字符处%2").arg(pos + 1).arg(what));
    }

    [[noreturn]] void expected(const Token& found, const QString& what) const {
        const QString seen = found.kind == Token::End ? QStringLiteral("表达式的结尾")
                                                      : u'\'' + m_text.mid(found.pos, found.length) + u'\'';
        throw err::make(err::InvalidFilter,
                        QStringLiteral("第 %1 个字符处应为%2，却是%3").arg(found.pos + 1).arg(what, seen));
    }

    void add(Token::Kind kind, qsizetype pos, qsizetype length, QString text = QString(), Op op = Op::Equal) {
        m_tokens.push_back(Token{kind, pos, std::move(text), length, op});
    }

    void tokenize() {
        const qsizetype n = m_text.size();
        qsizetype i = 0;
        const auto at = [&](qsizetype k) { return k < n ? m_text[k] : QChar(); };
        while (i < n) {
            const QChar c = m_text[i];
            if (c.isSpace()) {
                ++i;
            } else if (c == u'(' || c == u')') {
                add(c == u'(' ? Token::Open : Token::Close, i, 1);
                ++i;
            } else if (c == u'=') {
                add(Token::Operator, i, 1, QString(), Op::Equal);
                ++i;
            } else if (c == u'<' || c == u'>') {
                Op op = c == u'<' ? Op::Less : Op::Greater;
                qsizetype length = 1;
                if (at(i + 1) == u'=') {
                    op = c == u'<' ? Op::LessEqual : Op::GreaterEqual;
                    length = 2;
                } else if (c == u'<' && at(i + 1) == u'>') {
                    op = Op::NotEqual;
                    length = 2;
                }
                add(Token::Operator, i, length, QString(), op);
                i += length;
            } else if (c == u'\'') {
                i = quotedText(i);
            } else if (c == u'[') {
                const qsizetype close = m_text.indexOf(u']', i + 1);
                if (close < 0)
                    failAt(i, QStringLiteral("字段名缺少结束的 ']'"));
                add(Token::Name, i, close - i + 1, m_text.mid(i + 1, close - i - 1));
                i = close + 1;
            } else if (c.isDigit() || c == u'.' || c == u'+' || c == u'-') {
                i = number(i);
            } else if (c.isLetter() || c == u'_') {
                qsizetype end = i + 1;
                while (end < n && (m_text[end].isLetterOrNumber() || m_text[end] == u'_'))
                    ++end;
                const QString word = m_text.mid(i, end - i);
                const QString key = word.toLower();
                if (key == QLatin1String("and"))
                    add(Token::And, i, end - i);
                else if (key == QLatin1String("or"))
                    add(Token::Or, i, end - i);
                else if (key == QLatin1String("null"))
                    add(Token::Null, i, end - i);
                else if (key == QLatin1String("like"))
                    add(Token::Operator, i, end - i, QString(), Op::Like);
                else
                    add(Token::Name, i, end - i, word);
                i = end;
            } else {
                failAt(i, QStringLiteral("有意外的字符 '%1'").arg(c));
            }
        }
        add(Token::End, n, 0);
    }

    // A quoted text; a doubled quote stands for one quote.
    qsizetype quotedText(qsizetype start) {
        QString value;
        for (qsizetype k = start + 1; k < m_text.size(); ++k) {
            if (m_text[k] != u'\'') {
                value += m_text[k];
            } else if (k + 1 < m_text.size() && m_text[k + 1] == u'\'') {
                value += u'\'';
                ++k;
            } else {
                add(Token::Text, start, k - start + 1, value);
                return k + 1;
            }
        }
        failAt(start, QStringLiteral("文本缺少结束的引号"));
    }

    qsizetype number(qsizetype start) {
        const qsizetype n = m_text.size();
        qsizetype end = start;
        if (m_text[end] == u'+' || m_text[end] == u'-')
            ++end;
        while (end < n && (m_text[end].isDigit() || m_text[end] == u'.'))
            ++end;
        if (end < n && (m_text[end] == u'e' || m_text[end] == u'E')) {
            qsizetype exponent = end + 1;
            if (exponent < n && (m_text[exponent] == u'+' || m_text[exponent] == u'-'))
                ++exponent;
            if (exponent < n && m_text[exponent].isDigit()) {
                end = exponent;
                while (end < n && m_text[end].isDigit())
                    ++end;
            }
        }
        const QString text = m_text.mid(start, end - start);
        bool ok = false;
        text.toDouble(&ok);
        if (!ok)
            failAt(start, QStringLiteral("'%1' is not a number").arg(text));
        add(Token::Number, start, end - start, text);
        return end;
    }

    const Token& peek() const { return m_tokens[m_next]; }
    const Token& take() {
        const Token& token = m_tokens[m_next];
        if (token.kind != Token::End)
            ++m_next;
        return token;
    }

    int store(Node node) {
        m_out.m_nodes.push_back(std::move(node));
        return static_cast<int>(m_out.m_nodes.size()) - 1;
    }

    // Operands joined by Or are And-lists of primaries: And binds tighter.
    int parseList(int depth, Token::Kind joiner) {
        const auto operand = [&] {
            return joiner == Token::Or ? parseList(depth, Token::And) : parsePrimary(depth);
        };
        const int first = operand();
        if (peek().kind != joiner)
            return first;
        Node node;
        node.kind = joiner == Token::Or ? Node::Kind::Or : Node::Kind::And;
        node.children.push_back(first);
        while (peek().kind == joiner) {
            take();
            node.children.push_back(operand());
        }
        return store(std::move(node));
    }

    int parsePrimary(int depth) {
        if (peek().kind != Token::Open)
            return parseComparison();
        const Token& open = take();
        if (depth >= kMaxNesting)
            failAt(open.pos, QStringLiteral("括号嵌套超过 %1 层").arg(kMaxNesting));
        const int inner = parseList(depth + 1, Token::Or);
        if (peek().kind != Token::Close)
            expected(peek(), QStringLiteral("')'"));
        take();
        return inner;
    }

    int parseComparison() {
        const Token& name = take();
        if (name.kind != Token::Name)
            expected(name, QStringLiteral("字段名"));
        const auto column = m_columns.constFind(name.text.toLower());
        if (column == m_columns.constEnd())
            failAt(name.pos, QStringLiteral("有未知的字段 '%1'").arg(name.text));
        const Token& op = take();
        if (op.kind != Token::Operator)
            expected(op, QStringLiteral("比较运算符（=、<>、<、>、<=、>=、Like）"));
        const Token& value = take();
        Literal literal;
        if (value.kind == Token::Null) {
            if (op.op != Op::Equal && op.op != Op::NotEqual)
                failAt(value.pos, QStringLiteral("Null 只能跟在 = 或 <> 之后"));
        } else if (value.kind == Token::Text || value.kind == Token::Number) {
            literal.kind = value.kind == Token::Text ? Literal::Kind::Text : Literal::Kind::Number;
            literal.text = value.text;
            literal.utf8 = literal.text.toUtf8();
            bool ok = false;
            literal.number = literal.text.toDouble(&ok);
            literal.numeric = ok && std::isfinite(literal.number);
            literal.integer = literal.text.toLongLong(&literal.integral);
            if (op.op == Op::Like)
                literal.parts = splitAtWildcards(literal.text);
        } else {
            expected(value, QStringLiteral("值（带引号的文本、数字或 Null）"));
        }
        Node node;
        node.column = *column;
        node.op = op.op;
        node.literal = std::move(literal);
        return store(std::move(node));
    }

    const QString& m_text;
    const QHash<QString, int>& m_columns;
    FilterExpression& m_out;
    std::vector<Token> m_tokens;
    std::size_t m_next = 0;
};

FilterExpression::FilterExpression(const QString& text, const QHash<QString, int>& columns) {
    FilterParser(text, columns, *this).parse();
}

bool FilterExpression::matches(const QVariant* row) const {
    return evaluate(m_root, row);
}

bool FilterExpression::matches(const Cell* row) const {
    return evaluate(m_root, row);
}

template <typename Value> bool FilterExpression::evaluate(int index, const Value* row) const {
    const Node& node = m_nodes[static_cast<std::size_t>(index)];
    const auto holds = [&](int child) { return evaluate(child, row); };
    switch (node.kind) {
    case Node::Kind::And:
        return std::all_of(node.children.begin(), node.children.end(), holds);
    case Node::Kind::Or:
        return std::any_of(node.children.begin(), node.children.end(), holds);
    case Node::Kind::Compare:
        break;
    }
    return compare(node, row[node.column]);
}

bool FilterExpression::compare(const Node& node, const QVariant& value) const {
    const Literal& literal = node.literal;
    if (literal.kind == Literal::Kind::Null)
        return value.isNull() == (node.op == Op::Equal);
    if (value.isNull())
        return false;
    if (node.op == Op::Like)
        return likeMatches(literal.parts, value.toString());
    int order = 0;
    // NaN is unordered: it compares as its text, as the index keys it.
    if (literal.numeric && isNumeric(value) && !std::isnan(value.toDouble()))
        order = literal.integral && isIntegral(value) ? threeWay(value.toLongLong(), literal.integer)
                                                      : threeWay(value.toDouble(), literal.number);
    else
        order = threeWay(QString::compare(value.toString(), literal.text), 0);
    switch (node.op) {
    case Op::Equal:
        return order == 0;
    case Op::NotEqual:
        return order != 0;
    case Op::Less:
        return order < 0;
    case Op::Greater:
        return order > 0;
    case Op::LessEqual:
        return order <= 0;
    case Op::GreaterEqual:
        return order >= 0;
    case Op::Like:
        break;
    }
    return false;
}

bool FilterExpression::compare(const Node& node, const Cell& cell) const {
    // A text cell holds UTF-8: equal texts are equal bytes, no QString needed.
    if (cell.kind == Cell::Kind::Text && node.literal.kind != Literal::Kind::Null &&
        (node.op == Op::Equal || node.op == Op::NotEqual))
        return (cell.view() == QByteArrayView(node.literal.utf8)) == (node.op == Op::Equal);
    return compare(node, cell.value());
}

std::optional<FilterExpression::Equality> FilterExpression::requiredEquality() const {
    return equalityIn(m_root);
}

std::optional<FilterExpression::Equality> FilterExpression::equalityIn(int index) const {
    const Node& node = m_nodes[static_cast<std::size_t>(index)];
    if (node.kind == Node::Kind::Compare) {
        // A number literal compares exactly as the same digits in quotes.
        if (node.op == Op::Equal && node.literal.kind != Literal::Kind::Null)
            return Equality{node.column, node.literal.text};
    } else if (node.kind == Node::Kind::And) {
        for (const int child : node.children)
            if (auto equality = equalityIn(child))
                return equality;
    }
    return std::nullopt;
}

EqualityIndex::EqualityIndex(const Snapshot& snapshot, int column) {
    const auto rows = std::size_t(snapshot.rows());
    std::size_t buckets = 16;
    while (buckets < 2 * rows)
        buckets *= 2;
    m_mask = buckets - 1;
    m_heads.assign(buckets, -1);
    m_next.assign(rows, -1);
    m_keys.assign(rows, 0);
    std::vector<int> tails(buckets, -1);
    for (std::size_t row = 0; row < rows; ++row) {
        const Cell& cell = snapshot.row(int(row))[column];
        if (cell.kind == Cell::Kind::Null)
            continue;
        const std::size_t key = keyOf(cell);
        const std::size_t bucket = key & m_mask;
        (tails[bucket] < 0 ? m_heads[bucket] : m_next[std::size_t(tails[bucket])]) = int(row);
        tails[bucket] = int(row);
        m_keys[row] = key;
    }
}

// Rows of key's bucket whose key is key or other.
void EqualityIndex::collect(std::size_t key, std::size_t other, std::vector<int>& rows) const {
    for (int row = m_heads[key & m_mask]; row >= 0; row = m_next[std::size_t(row)])
        if (m_keys[std::size_t(row)] == key || m_keys[std::size_t(row)] == other)
            rows.push_back(row);
}

std::vector<int> EqualityIndex::candidates(const QString& text) const {
    const std::size_t key = textKey(text.toUtf8());
    bool ok = false;
    const double number = text.toDouble(&ok);
    const std::size_t numeric = ok && std::isfinite(number) ? numberKey(number) : key;
    std::vector<int> rows;
    collect(key, numeric, rows);
    if ((numeric & m_mask) == (key & m_mask))
        return rows;
    std::vector<int> more;
    collect(numeric, numeric, more);
    std::vector<int> merged;
    merged.reserve(rows.size() + more.size());
    std::merge(rows.begin(), rows.end(), more.begin(), more.end(), std::back_inserter(merged));
    return merged;
}

} // namespace wo::db
