#include "state_file.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

namespace varek::sim {

namespace {

constexpr std::string_view kHeader = "varek-sim state 1";
// A count read from a file never makes a container larger than this.
constexpr int64_t kMaxElements = 1 << 24;

std::string escape(const std::string& text) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F || c == '%') {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 0x0F];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
        hexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string hexBlob(const std::vector<uint8_t>& bytes) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    out += hex[b >> 4];
    out += hex[b & 0x0F];
  }
  return out;
}

std::vector<uint8_t> blobOf(const std::string& text) {
  std::vector<uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    int high = hexValue(text[i]), low = hexValue(text[i + 1]);
    if (high < 0 || low < 0) return {};
    bytes.push_back(static_cast<uint8_t>(high * 16 + low));
  }
  return bytes;
}

// Walks the model: when saving it records every item under its dotted key, when loading it takes
// each item from the entries read from the file (items without an entry keep their value).
class Archive {
 public:
  explicit Archive(bool loading) : loading_(loading) {}

  std::map<std::string, std::string> entries;

  void operator()(const std::string& name, std::string& value) {
    scalar(
        name, value, [](const std::string& s) { return escape(s); },
        [](const std::string& s, std::string& out) {
          out = unescape(s);
          return true;
        });
  }
  void operator()(const std::string& name, std::vector<uint8_t>& value) {
    scalar(name, value, hexBlob, [](const std::string& s, std::vector<uint8_t>& out) {
      out = blobOf(s);
      return true;
    });
  }
  void operator()(const std::string& name, std::chrono::seconds& value) {
    int64_t count = value.count();
    (*this)(name, count);
    value = std::chrono::seconds(count);
  }
  template <class T>
  requires std::is_arithmetic_v<T>
  void operator()(const std::string& name, T& value) {
    scalar(
        name, value, [](T v) { return std::to_string(static_cast<int64_t>(v)); },
        [](const std::string& s, T& out) {
          try {
            std::size_t used = 0;
            long long parsed = std::stoll(s, &used);
            if (used != s.size()) return false;
            out = static_cast<T>(parsed);
            return true;
          } catch (const std::exception&) {
            return false;
          }
        });
  }
  template <class T>
  requires std::is_enum_v<T>
  void operator()(const std::string& name, T& value) {
    auto number = static_cast<std::underlying_type_t<T>>(value);
    (*this)(name, number);
    value = static_cast<T>(number);
  }
  template <class A, class B>
  void operator()(const std::string& name, std::pair<A, B>& value) {
    (*this)(name + ".first", value.first);
    (*this)(name + ".second", value.second);
  }
  template <class T, std::size_t N>
  void operator()(const std::string& name, std::array<T, N>& values) {
    for (std::size_t i = 0; i < N; ++i) (*this)(name + "." + std::to_string(i), values[i]);
  }
  template <class T>
  void operator()(const std::string& name, std::vector<T>& values) {
    int64_t count = static_cast<int64_t>(values.size());
    (*this)(name + ".count", count);
    if (loading_)
      values.resize(static_cast<std::size_t>(std::clamp<int64_t>(count, 0, kMaxElements)));
    for (std::size_t i = 0; i < values.size(); ++i)
      (*this)(name + "." + std::to_string(i), values[i]);
  }
  template <class K, class V>
  void operator()(const std::string& name, std::map<K, V>& values) {
    std::vector<std::pair<K, V>> items(values.begin(), values.end());
    (*this)(name, items);
    if (loading_) values = std::map<K, V>(items.begin(), items.end());
  }
  template <class T>
  requires std::is_class_v<T>
  void operator()(const std::string& name, T& value) {
    Scope scope(*this, name);
    persistFields(*this, value);
  }

  // Keys of the fields of a struct start with the struct's name.
  std::string key(const std::string& name) const { return prefix_ + name; }

 private:
  struct Scope {
    Scope(Archive& a, const std::string& name) : archive(a), saved(a.prefix_) {
      a.prefix_ += name + ".";
    }
    ~Scope() { archive.prefix_ = saved; }
    Archive& archive;
    std::string saved;
  };

  template <class T, class Encode, class Decode>
  void scalar(const std::string& name, T& value, Encode encode, Decode decode) {
    const std::string k = key(name);
    if (!loading_) {
      entries[k] = encode(value);
      return;
    }
    auto found = entries.find(k);
    if (found == entries.end()) return;
    T decoded{};
    if (decode(found->second, decoded)) value = std::move(decoded);
  }

  bool loading_;
  std::string prefix_;
};

// The items of each part of the model. A field added to a model struct must be listed here to
// survive a restart.
void persistFields(Archive& a, CounterSet& c) {
  a("kind", c.kind);
  a("values", c.values);
  a("text", c.text);
}
void persistFields(Archive& a, DeviceInfo& d) {
  a("statusFlags", d.statusFlags);
  a("printerStatus", d.printerStatus);
  a("info", d.info);
  a("receiptData", d.receiptData);
  a("serviceInfo", d.serviceInfo);
  a("lastErrorCode", d.lastErrorCode);
  a("lastErrorText", d.lastErrorText);
  a("counters", d.counters);
}
void persistFields(Archive& a, Position& p) {
  a("name", p.name);
  a("code", p.code);
  a("quantity", p.quantity);
  a("price", p.price);
  a("department", p.department);
  a("taxGroup", p.taxGroup);
}
void persistFields(Archive& a, Payment& p) {
  a("type", p.type);
  a("text", p.text);
  a("amount", p.amount);
}
void persistFields(Archive& a, DocumentState& d) {
  a("open", d.open);
  a("batch", d.batch);
  a("type", d.type);
  a("operatorNumber", d.operatorNumber);
  a("operatorName", d.operatorName);
  a("customer", d.customer);
  a("positions", d.positions);
  a("total", d.total);
  a("paid", d.paid);
  a("change", d.change);
  a("payments", d.payments);
  a("departmentSums", d.departmentSums);
  a("batchError", d.batchError);
  a("batchErrorCommand", d.batchErrorCommand);
  a("lines", d.lines);
  a("cashInDrawer", d.cashInDrawer);
}
void persistFields(Archive& a, FiscalRecord& f) {
  a("shift", f.shift);
  a("date", f.date);
  a("sales", f.sales);
  a("returns", f.returns);
  a("cashIn", f.cashIn);
  a("cashOut", f.cashOut);
  a("documents", f.documents);
  a("lastDocument", f.lastDocument);
  a("emergency", f.emergency);
}
void persistFields(Archive& a, ShiftState& s) {
  a("open", s.open);
  a("number", s.number);
  a("documentNumber", s.documentNumber);
  a("zReports", s.zReports);
  a("fiscalized", s.fiscalized);
  a("registration", s.registration);
  a("fiscalizations", s.fiscalizations);
  a("fiscalizationDate", s.fiscalizationDate);
  a("fiscalMemory", s.fiscalMemory);
  a("grandTotal", s.grandTotal);
  a("lastZReport", s.lastZReport);
}
void persistFields(Archive& a, EctState& e) {
  a("active", e.active);
  a("archiveClosed", e.archiveClosed);
  a("serviceChannel", e.serviceChannel);
  a("number", e.number);
  a("activationDate", e.activationDate);
  a("activationShift", e.activationShift);
  a("shifts", e.shifts);
}
void persistFields(Archive& a, ServiceState& s) {
  a("clockOffset", s.clockOffset);
  a("workStarted", s.workStarted);
  a("authorized", s.authorized);
  a("drawerOpen", s.drawerOpen);
  a("beeps", s.beeps);
  a("speedCode", s.speedCode);
  a("settings", s.settings);
  a("memory", s.memory);
}
void persistFields(Archive& a, Picture& p) {
  a("width", p.width);
  a("height", p.height);
  a("name", p.name);
  a("bits", p.bits);
}
void persistFields(Archive& a, GraphicsState& g) {
  a("logo", g.logo);
  a("hasLogo", g.hasLogo);
  a("receiptDesign", g.receiptDesign);
  a("pictures", g.pictures);
}
void persistModel(Archive& a, RegisterModel& m) {
  a("device", m.device);
  a("document", m.document);
  a("shift", m.shift);
  a("ect", m.ect);
  a("service", m.service);
  a("graphics", m.graphics);
}

}  // namespace

StateFile::StateFile(std::string path) : path_(std::move(path)) {}

std::string StateFile::serialize(const RegisterModel& model) {
  Archive archive(false);
  // Saving only reads the model; the walk takes references because loading shares it.
  persistModel(archive, const_cast<RegisterModel&>(model));
  std::string text(kHeader);
  text += '\n';
  for (const auto& [key, value] : archive.entries) text += key + "=" + value + "\n";
  return text;
}

bool StateFile::deserialize(const std::string& text, RegisterModel& model) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kHeader) return false;
  Archive archive(true);
  while (std::getline(in, line)) {
    auto equals = line.find('=');
    if (equals != std::string::npos)
      archive.entries[line.substr(0, equals)] = line.substr(equals + 1);
  }
  persistModel(archive, model);
  return true;
}

void StateFile::load(RegisterModel& model) {
  std::ifstream file(path_, std::ios::binary);
  if (!file) return;  // a register starting for the first time
  std::stringstream content;
  content << file.rdbuf();
  if (file.bad()) throw std::runtime_error("cannot read the state file " + path_);
  if (!deserialize(content.str(), model))
    throw std::runtime_error(path_ + " is not a varek-sim state file");
  lastSaved_ = serialize(model);
}

bool StateFile::save(const RegisterModel& model) {
  std::string text = serialize(model);
  if (text == lastSaved_) return true;
  const std::string temporary = path_ + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file << text;
    file.flush();
    if (!file) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path_.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  lastSaved_ = std::move(text);
  return true;
}

}  // namespace varek::sim
