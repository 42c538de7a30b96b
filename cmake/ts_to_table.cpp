// The Qt-free layers' table of English texts, made from the translation catalogue without Qt:
//   ts_to_table CATALOGUE.ts OUTPUT.inc   writes the table
//   ts_to_table --check CATALOGUE.ts      lists every text without a finished English rendering; status 1 if any
// Each message becomes {"context", "source", "english"}, with the XML entities decoded and the texts written as C
// string literals (bytes outside printable ASCII as octal escapes). A message marked unfinished gets an empty
// rendering; vanished and obsolete ones are left out. The output is rewritten only when it changes, so that a touch
// of the catalogue recompiles nothing.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

void AppendUtf8(std::string& out, unsigned long code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::string Decode(const std::string& xml) {
  std::string out;
  for (std::size_t i = 0; i < xml.size(); ++i) {
    const std::size_t end = xml[i] == '&' ? xml.find(';', i) : std::string::npos;
    if (end == std::string::npos) {
      out += xml[i];
      continue;
    }
    const std::string name = xml.substr(i + 1, end - i - 1);
    if (name == "lt") out += '<';
    else if (name == "gt") out += '>';
    else if (name == "amp") out += '&';
    else if (name == "quot") out += '"';
    else if (name == "apos") out += '\'';
    else if (name.size() > 1 && name[0] == '#') {
      try {
        AppendUtf8(out, name[1] == 'x' ? std::stoul(name.substr(2), nullptr, 16) : std::stoul(name.substr(1)));
      } catch (const std::exception&) {
        out += xml.substr(i, end - i + 1);
      }
    } else {
      out += xml.substr(i, end - i + 1);
    }
    i = end;
  }
  return out;
}

std::string Literal(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c >= 32 && c < 127 && c != '"' && c != '\\' && c != '?') {
      out += static_cast<char>(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\%03o", c);
      out += escape;
    }
  }
  return out + "\"";
}

struct Element {
  bool found = false;
  std::string attributes;  // the text between the tag's name and its '>'
  std::string text;
};

// The first <tag ...>text</tag> (or <tag .../>) from `from` on, before `limit`.
Element Find(const std::string& xml, const std::string& tag, std::size_t from, std::size_t limit) {
  Element element;
  std::size_t start = from;
  while ((start = xml.find("<" + tag, start)) != std::string::npos && start < limit) {
    const char next = xml[start + tag.size() + 1];
    if (next == '>' || next == ' ' || next == '/') break;
    ++start;
  }
  if (start == std::string::npos || start >= limit) return element;
  const std::size_t close = xml.find('>', start);
  if (close == std::string::npos || close >= limit) return element;
  element.found = true;
  element.attributes = xml.substr(start + tag.size() + 1, close - start - tag.size() - 1);
  if (xml[close - 1] == '/') return element;
  const std::size_t end = xml.find("</" + tag + ">", close);
  if (end == std::string::npos || end > limit) return element;
  element.text = Decode(xml.substr(close + 1, end - close - 1));
  return element;
}

struct Message {
  std::string context, source, english;
};

std::vector<Message> Messages(const std::string& xml) {
  std::vector<Message> messages;
  for (std::size_t context = xml.find("<context>"); context != std::string::npos;
       context = xml.find("<context>", context + 1)) {
    const std::size_t contextEnd = xml.find("</context>", context);
    const std::string name = Find(xml, "name", context, contextEnd).text;
    for (std::size_t message = xml.find("<message", context); message < contextEnd;
         message = xml.find("<message", message + 1)) {
      const std::size_t messageEnd = xml.find("</message>", message);
      const Element translation = Find(xml, "translation", message, messageEnd);
      const std::string& type = translation.attributes;
      if (type.find("vanished") != std::string::npos || type.find("obsolete") != std::string::npos) continue;
      const bool unfinished = type.find("unfinished") != std::string::npos;
      messages.push_back({name, Find(xml, "source", message, messageEnd).text, unfinished ? "" : translation.text});
    }
  }
  return messages;
}

}  // namespace

int main(int argc, char** argv) {
  const bool check = argc == 3 && std::string(argv[1]) == "--check";
  if (argc != 3) {
    std::cerr << "usage: ts_to_table CATALOGUE.ts OUTPUT.inc | ts_to_table --check CATALOGUE.ts\n";
    return 2;
  }
  const char* catalogue = check ? argv[2] : argv[1];
  std::ifstream in(catalogue, std::ios::binary);
  if (!in) {
    std::cerr << catalogue << ": cannot be read\n";
    return 1;
  }
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::vector<Message> messages = Messages(buffer.str());

  if (check) {
    int missing = 0;
    for (const Message& m : messages) {
      if (!m.english.empty()) continue;
      std::cerr << catalogue << ": no English rendering of " << m.context << " \"" << m.source << "\"\n";
      ++missing;
    }
    if (messages.empty()) std::cerr << catalogue << ": no texts\n";
    return missing || messages.empty() ? 1 : 0;
  }

  std::string table = "// Made from the translation catalogue by ts_to_table; do not edit.\n";
  for (const Message& m : messages) {
    table += "{" + Literal(m.context) + ", " + Literal(m.source) + ", " + Literal(m.english) + "},\n";
  }
  std::ifstream old(argv[2], std::ios::binary);
  std::stringstream previous;
  if (old) previous << old.rdbuf();
  if (old && previous.str() == table) return 0;
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << table;
  return out ? 0 : 1;
}
