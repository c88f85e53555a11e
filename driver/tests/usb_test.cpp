// ".usb" descriptions: the generated C compiles with the host's gcc against
// zvqusb.h, and its descriptor bytes, dumped through the device's table and
// decoded by an independent script, are the devices the fixtures describe;
// bad descriptions give their messages and no C.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/alert.h"
#include "driver/usb.h"
#include "support.h"

namespace {

const std::string fixtures = std::string(TOVRA_TEST_DIR) + "/fixtures/usb/";

class usb_test : public ::testing::Test {
 protected:
  // Generates C from the description text; the C, or "" when none was written.
  std::string generate_text(const std::string &description, int expected_result) {
    std::string in = scratch.file("dev.usb", description), out = scratch.path() + "/dev.c";
    std::filesystem::remove(out);
    messages.clear();
    EXPECT_EQ(usb_generate(in.c_str(), out.c_str()), expected_result) << messages.text();
    return read_file(out);
  }

  scratch_dir scratch;
  message_capture messages;
};

// Every device of each fixture, through gcc, its table and the decoder.
TEST_F(usb_test, descriptors_of_the_fixtures) {
  const struct {
    const char *fixture;
    const char *device;
  } devices[] = {{"composite", "kbd"}, {"composite", "probe"}, {"custom", "gadget"}};
  for (const auto &d : devices) {
    std::string c_file = scratch.path() + "/" + d.fixture + ".c";
    ASSERT_EQ(usb_generate((fixtures + d.fixture + ".usb").c_str(), c_file.c_str()), 1) << messages.text();
    EXPECT_TRUE(messages.lines().empty()) << messages.text();
    std::string program = scratch.path() + "/dump_" + d.device, decoded = program + ".txt";
    // After the host's own headers: ours include a stdio.h of the target's.
    std::string command = std::string("gcc -std=c99 -pedantic -Wall -Wextra -Werror -idirafter '") + TOVRA_SOURCE_DIR +
                          "/include' -DTABLE=" + d.device + "_table '" + c_file + "' '" + fixtures + "dump.c' -o '" +
                          program + "' && '" + program + "' | python3 '" + fixtures + "decode_usb.py' > '" + decoded +
                          "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_EQ(read_file(decoded), read_file(fixtures + d.fixture + "." + d.device + ".expected")) << d.device;
  }
}

TEST_F(usb_test, strings_and_sizes_in_the_c_text) {
  std::string c = generate_text(
      "DEVICE=d\n"
      "PRODUCT=AB\n"
      "CONFIG=AB\n"
      "POWER=bus,100\n"
      "INTERFACE\n"
      "ENDPOINT=1\nENDENDPOINT\n"
      "ENDPOINT=2\nENDENDPOINT\n",
      1);
  // One string shared by the product and the configuration: 6 bytes.
  EXPECT_NE(c.find("\t// string descriptor 1: \"AB\"\n\t6, 3, 65, 0, 66, 0, \n"), std::string::npos) << c;
  EXPECT_EQ(c.find("string descriptor 2"), std::string::npos) << c;
  // 9 + 9 + 7 + 7.
  EXPECT_NE(c.find("0x20, 0x00,\t// total size of conf/interface/endpoint descriptors = 32\n"), std::string::npos);
  EXPECT_NE(c.find("\t2,\t\t\t// Custom serial\n"), std::string::npos);
  EXPECT_NE(c.find("\td_data+54,\n\t0,\n};\n"), std::string::npos) << c;
  EXPECT_NE(c.find("d_conf_sizes,\t1, 3,\n};\n"), std::string::npos) << c;
}

// The length byte holds 2 bytes per character and 2 more: 126 characters fit.
TEST_F(usb_test, longest_string) {
  std::string c = generate_text("DEVICE=d\nPRODUCT=" + std::string(126, 'x') + "\nCONFIG\n", 1);
  EXPECT_NE(c.find("\t254, 3, 120, 0, "), std::string::npos);
  generate_text("DEVICE=d\nPRODUCT=" + std::string(127, 'x') + "\nCONFIG\n", 0);
  EXPECT_EQ(messages.numbers(), (std::vector<unsigned>{1239}));
}

TEST_F(usb_test, characters_above_127_are_written_as_unsigned_codes) {
  std::string c = generate_text("DEVICE=d\nPRODUCT=\xe9\nCONFIG\n", 1);
  EXPECT_NE(c.find("\t4, 3, 233, 0, \n"), std::string::npos) << c;
}

// Each line is reported at its own line number, and no C is written.
TEST_F(usb_test, bad_descriptions) {
  const std::string device = "DEVICE=d\nCONFIG\n";
  const std::string endpoint = device + "INTERFACE\nENDPOINT=1\n";
  const std::string function = device + "INTERFACE\nDFU_FUNCTION\n";
  const struct {
    const char *name;
    std::string text;
    std::vector<unsigned> numbers;
  } cases[] = {
      {"keyword outside its block", device + "ENDPOINT=1\n", {1235}},
      {"keyword before any device", "CONFIG=x\nDEVICE=d\nCONFIG\n", {1235}},
      {"no version", "DEVICE=d\nUSB=two\nCONFIG\n", {1236}},
      {"a version of three minor digits", "DEVICE=d\nUSB=1.100\nCONFIG\n", {1236}},
      {"class without value", "DEVICE=d\nCLASS\nCONFIG\n", {1236}},
      {"class above a byte", "DEVICE=d\nCLASS=0,256\nCONFIG\n", {1236}},
      {"control packet size above a byte", "DEVICE=d\nPACKETSIZE=512\nCONFIG\n", {1236}},
      {"vendor id above 16 bits", "DEVICE=d\nVID=0x10000\nCONFIG\n", {1236}},
      {"not a number", "DEVICE=d\nPID=abc\nCONFIG\n", {1236}},
      {"power source", device + "POWER=battery,100\n", {1236}},
      {"power without current", device + "POWER=bus\n", {1236}},
      {"power of zero", device + "POWER=self,0\n", {1236}},
      {"power above 510 mA", device + "POWER=bus,600\n", {1236}},
      {"wakeup word", device + "WAKEUP=maybe\n", {1236}},
      {"endpoint 0", device + "INTERFACE\nENDPOINT=0\n", {1237}},
      {"endpoint above 15", device + "INTERFACE\nENDPOINT=16\n", {1236}},
      {"direction", endpoint + "DIR=up\n", {1236}},
      {"a blank before the value is part of it", endpoint + "DIR = in\n", {1236}},
      {"type", endpoint + "TYPE=fast\n", {1236}},
      {"packet size above 1024", endpoint + "PACKETSIZE=1025\n", {1236}},
      {"interval above 255", endpoint + "INTERVAL=256\n", {1236}},
      {"transfer above the packet size", function + "TRANSFER=65\n", {1236}},
      {"function version", function + "VERSION=x\n", {1236}},
      {"function flag", function + "UPLOAD=1\n", {1236}},
      {"device name not an identifier", "DEVICE=my device\nCONFIG\n", {1236}},
      {"two devices of one name", "DEVICE=d\nCONFIG\nENDCONFIG\nENDDEVICE\nDEVICE=d\nCONFIG\n", {1236}},
      {"device without configuration", "DEVICE=d\nENDDEVICE\n", {1236}},
      {"several faults", device + "POWER=bus\nWAKEUP=often\nSPEED=high\n", {1236, 1236, 1235}},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(generate_text(c.text, 0), "") << c.name;
    EXPECT_EQ(messages.numbers(), c.numbers) << c.name << "\n" << messages.text();
  }
  generate_text("; comment\n\nDEVICE=d\n# comment\nCONFIG\nPOWER=bus\n", 0);
  ASSERT_EQ(messages.lines().size(), 1u);
  EXPECT_NE(messages.lines()[0].find("dev.usb: 6: (1236) "), std::string::npos) << messages.lines()[0];
}

TEST_F(usb_test, values_and_keywords) {
  // Keywords in any case, "=" or blanks after them, numbers in C notation,
  // a value that ends at the next "=", a blank before a number.
  std::string c = generate_text(
      "device=d\n"
      "  vid 0x04d8\n"
      "\tPID==0100=ignored\n"
      "RELEASE = 10\n"
      "usb=2\n"
      "config\n"
      "wakeup=yes\n"
      "WAKEUP=no\n"
      "power=bus,3\n"
      "EndConfig\n"
      "EndDevice\n",
      1);
  EXPECT_NE(c.find("\t0xD8, 0x04,\t\t// Vendor ID: 0x4D8/1240\n"), std::string::npos) << c;
  EXPECT_NE(c.find("\t0x40, 0x00,\t\t// Product ID: 0x40/64\n"), std::string::npos) << c;
  EXPECT_NE(c.find("\t0x0A, 0x00,\t\t// Product release: 0xA/10\n"), std::string::npos) << c;
  EXPECT_NE(c.find("\t0x00, 0x02,\t\t// USB version\n"), std::string::npos) << c;
  EXPECT_NE(c.find("\t\t0x80,\t\t// attributes: Wakeup=no; bus powered\n\t\t0x02,\t\t// power=4mA\n"), std::string::npos)
      << c;
}

TEST_F(usb_test, files_that_cannot_be_opened) {
  messages.clear();
  std::string missing = scratch.path() + "/none.usb", out = scratch.path() + "/out.c";
  EXPECT_EQ(usb_generate(missing.c_str(), out.c_str()), 0);
  std::string in = scratch.file("dev.usb", "DEVICE=d\nCONFIG\n");
  std::string unwritable = scratch.path() + "/no/such/folder/out.c";
  EXPECT_EQ(usb_generate(in.c_str(), unwritable.c_str()), 0);
  EXPECT_EQ(messages.numbers(), (std::vector<unsigned>{140, 140}));
  EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
