// The string table of Resource.dll.
#include <cstring>
#include <map>
#include <string>

namespace {

const std::map<unsigned, std::string> &Strings() {
  static const std::map<unsigned, std::string> table = {
      {1, "https://vantrel.example.org/"},
      {2, "https://vantrel.example.org/help/"},
      {3, "https://vantrel.example.org/order/"},
      {4, "mailto:support@vantrel.example.org"},
  };
  return table;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int VantrelLoadString(unsigned id, char *buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = '\0';
  auto it = Strings().find(id);
  if (it == Strings().end()) return 0;
  int length = static_cast<int>(std::min<std::size_t>(it->second.size(), static_cast<std::size_t>(size - 1)));
  std::memcpy(buffer, it->second.data(), length);
  buffer[length] = '\0';
  return length;
}
