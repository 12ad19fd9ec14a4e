// The strict reader of the text format: a small tokenizer that keeps each
// token's line and column, then a parser of sections and rules.
#include "engine/problem/system_text.h"

#include <cctype>
#include <cstdio>

namespace tessivar::engine {

InputError::InputError(int l, int c, const std::string& message)
    : std::runtime_error("line " + std::to_string(l) + ", column " + std::to_string(c) + ": " +
                         message),
      line(l),
      column(c) {}

InputError::InputError(const std::string& message) : std::runtime_error(message) {}

namespace {

enum class TokenKind { Open, Close, Comma, Arrow, Name, End };

struct Token {
  TokenKind kind;
  std::string text;
  int line, column;
};

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

bool ends_name(char c) { return is_blank(c) || c == '(' || c == ')' || c == ','; }

class Tokenizer {
 public:
  explicit Tokenizer(const std::string& text) : text_(text) {}

  Token next() {
    skip_blanks();
    Token t{TokenKind::End, "", line_, column_};
    if (pos_ >= text_.size()) return t;
    char c = text_[pos_];
    if (c == '(' || c == ')' || c == ',') {
      t.kind = c == '(' ? TokenKind::Open : c == ')' ? TokenKind::Close : TokenKind::Comma;
      t.text = std::string(1, c);
      advance();
      return t;
    }
    while (pos_ < text_.size() && !ends_name(text_[pos_])) {
      auto byte = static_cast<unsigned char>(text_[pos_]);
      if (byte == 0) throw InputError(line_, column_, "a NUL byte");
      if (byte < ' ' || byte == 127) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%02X", byte);
        throw InputError(line_, column_, std::string("a control character (byte 0x") + hex + ") in a name");
      }
      t.text += text_[pos_];
      advance();
    }
    t.kind = t.text == "->" ? TokenKind::Arrow : TokenKind::Name;
    return t;
  }

 private:
  void skip_blanks() {
    while (pos_ < text_.size() && is_blank(text_[pos_])) advance();
  }

  // CR LF, CR and LF each end a line.
  void advance() {
    char c = text_[pos_++];
    if (c == '\n' || (c == '\r' && (pos_ >= text_.size() || text_[pos_] != '\n'))) {
      line_++;
      column_ = 1;
    } else if (c != '\r') {
      column_++;
    }
  }

  const std::string& text_;
  size_t pos_ = 0;
  int line_ = 1, column_ = 1;
};

class Parser {
 public:
  explicit Parser(const std::string& text) : tokens_(text) { shift(); }

  std::vector<NamedRule> system() {
    bool seen_rules = false;
    std::vector<NamedRule> rules;
    while (current_.kind != TokenKind::End) {
      expect(TokenKind::Open, "\"(\" to open a section");
      Token name = current_;
      if (name.kind != TokenKind::Name) throw at(name, "expected a section name after \"(\"");
      shift();
      if (name.text == "COMMENT") {
        skip_comment(name);
      } else if (name.text == "RULES") {
        if (seen_rules) throw at(name, "a second RULES section");
        seen_rules = true;
        rules = rules_section(name);
      } else {
        throw at(name, "section " + name.text + " is not supported; only RULES and COMMENT are");
      }
    }
    if (!seen_rules) throw InputError("no (RULES ...) section");
    return rules;
  }

 private:
  void shift() { current_ = tokens_.next(); }

  static InputError at(const Token& t, const std::string& message) {
    return InputError(t.line, t.column, message);
  }

  void expect(TokenKind kind, const std::string& what) {
    if (current_.kind != kind) throw at(current_, "expected " + what + ", found " + describe(current_));
    shift();
  }

  static std::string describe(const Token& t) {
    if (t.kind == TokenKind::End) return "the end of the text";
    return "\"" + t.text + "\"";
  }

  // Anything, with balanced parentheses, up to the ")" that closes it.
  void skip_comment(const Token& opened) {
    int depth = 1;
    while (true) {
      if (current_.kind == TokenKind::End)
        throw at(opened, "the COMMENT section opened here is never closed");
      if (current_.kind == TokenKind::Open) depth++;
      if (current_.kind == TokenKind::Close && --depth == 0) break;
      shift();
    }
    shift();
  }

  std::vector<NamedRule> rules_section(const Token& opened) {
    std::vector<NamedRule> rules;
    if (current_.kind == TokenKind::Close) {
      shift();
      return rules;
    }
    while (true) {
      rules.push_back(rule(opened));
      if (current_.kind == TokenKind::Comma) {
        shift();
        continue;
      }
      if (current_.kind == TokenKind::Close) {
        shift();
        return rules;
      }
      if (current_.kind == TokenKind::End)
        throw at(opened, "the RULES section opened here is never closed");
      throw at(current_, "expected \",\" or \")\" after a rule, found " + describe(current_));
    }
  }

  NamedRule rule(const Token& opened) {
    NamedRule r;
    Token first = current_;
    r.lhs = side();
    if (current_.kind != TokenKind::Arrow) {
      if (current_.kind == TokenKind::Name && current_.text == "->=")
        throw at(current_, "relative rules (\"->=\") are not supported");
      if (current_.kind == TokenKind::End)
        throw at(opened, "the RULES section opened here is never closed");
      throw at(current_, "expected \"->\" in the rule that starts at line " +
                             std::to_string(first.line) + ", found " + describe(current_));
    }
    Token arrow = current_;
    shift();
    r.rhs = side();
    if (current_.kind == TokenKind::Arrow)
      throw at(current_, "a second \"->\" in the rule whose \"->\" is at line " +
                             std::to_string(arrow.line) +
                             "; is a \",\" missing between two rules?");
    return r;
  }

  NamedWord side() {
    NamedWord w;
    while (current_.kind == TokenKind::Name) {
      if (current_.text == "->=") return w;
      if (current_.text.find("->") != std::string::npos)
        throw at(current_, "\"->\" inside the token " + describe(current_) +
                               "; put blanks around the arrow");
      w.push_back(current_.text);
      shift();
    }
    return w;
  }

  Tokenizer tokens_;
  Token current_{TokenKind::End, "", 0, 0};
};

}  // namespace

std::vector<NamedRule> read_system_text(const std::string& text) { return Parser(text).system(); }

std::string why_not_in_name(unsigned char byte, const std::string& separators) {
  if (byte == ' ') return "a blank";
  if (byte < ' ' || byte == 127) return "a control character";
  if (separators.find(char(byte)) != std::string::npos) return std::string("\"") + char(byte) + "\"";
  return "";
}

void check_symbol_name(const std::string& name) {
  if (name.empty()) throw InputError("a symbol has an empty name");
  for (unsigned char c : name) {
    std::string why = why_not_in_name(c, "(),");
    if (!why.empty())
      throw InputError("the symbol name \"" + name + "\" contains " + why +
                       ", which the text format cannot hold in a name");
  }
  if (name.find("->") != std::string::npos)
    throw InputError("the symbol name \"" + name + "\" contains \"->\", the arrow of the text format");
}

std::string write_system_text(const std::vector<NamedRule>& rules) {
  std::string out = "(RULES\n";
  for (size_t i = 0; i < rules.size(); i++) {
    out += "  " + to_text(rules[i].lhs) + (rules[i].lhs.empty() ? "->" : " ->");
    if (!rules[i].rhs.empty()) out += " " + to_text(rules[i].rhs);
    out += i + 1 < rules.size() ? " ,\n" : "\n";
  }
  return out + ")\n";
}

}  // namespace tessivar::engine
