// float.h as the preprocessor reads it under both double sizes: each limit
// must be the format's exact value once the compiler encodes the constant.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const char *const limit_names[] = {
    "FLT_RADIX", "FLT_MANT_DIG", "FLT_DIG", "FLT_MIN_EXP", "FLT_MAX_EXP", "FLT_MIN_10_EXP", "FLT_MAX_10_EXP",
    "FLT_MAX", "FLT_EPSILON", "FLT_MIN", "DBL_MANT_DIG", "DBL_DIG", "DBL_MIN_EXP", "DBL_MAX_EXP",
    "DBL_MIN_10_EXP", "DBL_MAX_10_EXP", "DBL_MAX", "DBL_EPSILON", "DBL_MIN", "LDBL_MAX",
};

// Each name's expansion by prevo, with the type sizes the driver passes.
std::map<std::string, std::string> expand_limits(const char *sizes) {
  char pattern[] = "/tmp/float-h-test-XXXXXX";
  fs::path folder = mkdtemp(pattern);
  {
    std::ofstream source(folder / "limits.c");
    source << "#include <float.h>\n";
    // A line per name, led by its index (the name itself would expand).
    for (size_t i = 0; i < std::size(limit_names); i++) source << "limit_" << i << " " << limit_names[i] << "\n";
  }
  std::string command = "cd '" + folder.string() + "' && '" TOVRA_STAGE "/bin/prevo' '--edf=" TOVRA_STAGE
                        "/dat/en_msgs.txt' -S" + sizes + " '-I" TOVRA_STAGE "/include' limits.c limits.pre";
  int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
  std::map<std::string, std::string> values;
  std::ifstream pre(folder / "limits.pre");
  for (std::string line; std::getline(pre, line);) {
    std::istringstream words(line);
    std::string label, value, word;
    if (!(words >> label) || label.rfind("limit_", 0) != 0) continue;
    while (words >> word) value += word;  // "( - 125 )" and the like
    values[limit_names[std::stoul(label.substr(6))]] = value;
  }
  fs::remove_all(folder);
  return values;
}

// A floating constant's pattern as the code generator encodes it: the
// nearest single, for 3 bytes its top 24 bits rounded half up.
uint32_t constant_bits(const std::string &text, int size) {
  std::string digits = text.back() == 'F' ? text.substr(0, text.size() - 1) : text;
  float single = float(std::strtod(digits.c_str(), nullptr));
  uint32_t bits;
  std::memcpy(&bits, &single, sizeof bits);
  return size == 4 ? bits : (bits + 0x80) >> 8;
}

struct format_limits {
  int mant_dig, dig;
  uint32_t max, epsilon, min;
};
const format_limits bits24 = {16, 4, 0x7F7FFF, 0x380000, 0x008000};
const format_limits bits32 = {24, 6, 0x7F7FFFFF, 0x34000000, 0x00800000};

void expect_format(const std::map<std::string, std::string> &v, const std::string &prefix,
                   const format_limits &f) {
  int size = f.mant_dig == 24 ? 4 : 3;
  SCOPED_TRACE(prefix);
  EXPECT_EQ(std::stoi(v.at(prefix + "MANT_DIG")), f.mant_dig);
  EXPECT_EQ(std::stoi(v.at(prefix + "DIG")), int(std::floor((f.mant_dig - 1) * std::log10(2.0))));
  EXPECT_EQ(v.at(prefix + "MIN_EXP"), "(-125)");
  EXPECT_EQ(v.at(prefix + "MAX_EXP"), "128");
  EXPECT_EQ(v.at(prefix + "MIN_10_EXP"), "(-37)");
  EXPECT_EQ(v.at(prefix + "MAX_10_EXP"), "38");
  EXPECT_EQ(constant_bits(v.at(prefix + "MAX"), size), f.max);
  EXPECT_EQ(constant_bits(v.at(prefix + "EPSILON"), size), f.epsilon);
  EXPECT_EQ(constant_bits(v.at(prefix + "MIN"), size), f.min);
}

TEST(FloatHeader, Double24) {
  std::map<std::string, std::string> v = expand_limits("1,2,2,3,4,3,3");
  ASSERT_EQ(v.size(), std::size(limit_names));
  EXPECT_EQ(v["FLT_RADIX"], "2");
  expect_format(v, "FLT_", bits24);
  expect_format(v, "DBL_", bits24);
  EXPECT_EQ(v["LDBL_MAX"], v["DBL_MAX"]);
}

TEST(FloatHeader, Double32) {
  std::map<std::string, std::string> v = expand_limits("1,2,2,3,4,3,4");
  ASSERT_EQ(v.size(), std::size(limit_names));
  expect_format(v, "FLT_", bits24);
  expect_format(v, "DBL_", bits32);
  EXPECT_EQ(v["LDBL_MAX"], v["DBL_MAX"]);
}

}  // namespace
