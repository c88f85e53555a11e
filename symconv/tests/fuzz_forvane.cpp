// libFuzzer target for every reader of forvane: input that begins as a
// PIC COFF, plain COFF, ICOFF, OMF-51 or extended OMF-51 file, a Holtek
// DBG or TSK file goes to its reader or its dump (by the first byte), a
// P&E map to its reader, a UBROF file to its dump, input
// that a COD directory begins goes to the COD dump, input that begins as
// an ELF file goes to the ELF dump and its DWARF dump; otherwise the first
// byte chooses the symbol file, Intel HEX, S-record, TI text or debug
// description reader. The model is then completed and written in every
// format, so that what a reader let in must also be safe to walk.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/alloc.h"
#include "symconv/coff.h"
#include "symconv/dotcod.h"
#include "symconv/elf.h"
#include "symconv/eomf51.h"
#include "symconv/htk.h"
#include "symconv/forvane.h"
#include "symconv/icoff.h"
#include "symconv/intelhex.h"
#include "symconv/mcoff.h"
#include "symconv/omf51.h"
#include "symconv/pe.h"
#include "symconv/model.h"
#include "symconv/mothex.h"
#include "symconv/quenlor.h"
#include "symconv/sdb.h"
#include "symconv/titxt.h"
#include "tests/support/fuzz_quiet.h"

namespace {

FILE *null_output() {
  static FILE *out = fopen("/dev/null", "w");
  return out;
}

void write_all() {
  FILE *out = null_output();
  symfile_write(out, "out");
  ihex_write(out, "out");
  srec_write(out, "out");
  titxt_write(out, "out");
  mcoff_write(out, "out");
  coff_write(out, "out");
  icoff_write(out, "out");
  omf51_write(out, "out");
  eomf51_write(out, "out");
  htk_write(out, "out");
  pe_write(out, "out");
  cod_write(out, "out");
  elf_write(out, "out");
  sdb_dump_to(out);
}

// What a reader let in must also be safe to complete and write.
int finish(FILE *in) {
  fclose(in);
  forvane_complete();
  write_all();
  forvane_reset();
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz_quiet_messages();
  static bool ready = false;
  if (!ready) {
    if (!freopen("/dev/null", "w", stdout)) return 0;  // the TI text dump prints
    ready = true;
  }
  if (size < 1) return 0;
  forvane_reset();
  model_init();
  uint8_t choice = data[0];
  // Half the runs name a processor, so that descriptions get past the
  // choice of machine whatever their modes say.
  if (choice & 0x80) settings.processor = str_dup((choice & 0x40) ? "16F877" : "18F452");
  settings.fake_blocks = choice & 0x20;
  std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
  std::string base = "/tmp/fuzz_forvane_" + std::to_string(getpid());
  FILE *in = fmemopen(text.data(), text.size() ? text.size() : 1, "r");
  if (!in) return 0;
  bool coff = text.size() >= 2 && uint8_t(text[0]) == 0x40 && uint8_t(text[1]) == 0x12;
  bool icoff = text.size() >= 2 && uint8_t(text[0]) == 0x01 && uint8_t(text[1]) == 0x81;
  if (text.compare(0, 4, "\x7F" "ELF") == 0) {
    settings.verbosity = (choice & 1) ? 3 : 1;
    elf_identify(in);
    rewind(in);
    elf_dump(in);
    settings.verbosity = 0;
    fclose(in);
    forvane_reset();
    return 0;
  }
  bool omf = text.size() >= 1 && (uint8_t(text[0]) == 0x02 || uint8_t(text[0]) == 0x70);
  bool extended = (choice & 2) || uint8_t(text[0]) == 0x70;
  // Plain COFF by the magics of its targets.
  static const char *const plain_magics[] = {"\x01\x50", "\x01\x98", "\x83\x00", "\x83\x01", "\x05\x00",
                                             "\x36\x12", "\x34\x12"};
  bool plain = false;
  for (const char *m : plain_magics) plain |= text.size() >= 2 && !memcmp(text.data(), m, 2);
  if (plain) {
    settings.verbosity = 2;
    if (choice & 1)
      coff_dump(in);
    else if (coff_identify(in) && !fseek(in, 0, SEEK_SET))
      coff_read(in, "fuzz.cof");
    settings.verbosity = 0;
    return finish(in);
  }
  bool dbg = text.size() >= 1 && uint8_t(text[0]) == 0x4A, tsk = text.compare(0, 2, "HL") == 0;
  if (dbg || tsk) {
    settings.verbosity = (choice & 2) ? 2 : 0;
    if (choice & 1)
      dbg ? htk_dump(in) : tsk_dump(in);
    else if (dbg && htk_identify(in) && !fseek(in, 0, SEEK_SET))
      htk_read(in, "fuzz.dbg");
    else if (tsk && tsk_identify(in) && !fseek(in, 0, SEEK_SET))
      tsk_read(in, "fuzz.tsk");
    settings.verbosity = 0;
    return finish(in);
  }
  if (text.size() >= 1 && uint8_t(text[0]) == 0xA5) {
    settings.verbosity = choice & 1;
    ubrof_dump(in);
    settings.verbosity = 0;
    fclose(in);
    forvane_reset();
    return 0;
  }
  if (pe_identify(in) && !fseek(in, 0, SEEK_SET)) {
    pe_read(in, "fuzz.pe");
    return finish(in);
  }
  rewind(in);
  if (icoff || omf) {
    settings.verbosity = 2;
    if (choice & 1)
      icoff ? icoff_dump(in) : extended ? eomf51_dump(in) : omf51_dump(in);
    else if (icoff && icoff_identify(in) && !fseek(in, 0, SEEK_SET))
      icoff_read(in, "fuzz.cof");
    else if (omf && extended && eomf51_identify(in) && !fseek(in, 0, SEEK_SET))
      eomf51_read(in, "fuzz.abs");
    else if (omf && omf51_identify(in) && !fseek(in, 0, SEEK_SET))
      omf51_read(in, "fuzz.omf");
    settings.verbosity = 0;
    return finish(in);
  }
  if (coff || (text.size() >= 512 && cod_identify(in))) {
    rewind(in);
    // The dumps print more at higher verbosity.
    settings.verbosity = 2;
    if (!coff)
      cod_dump(in);
    else if (choice & 1)
      mcoff_dump(in);
    else if (mcoff_identify(in) && !fseek(in, 0, SEEK_SET))
      mcoff_read(in, "fuzz.cof");
    settings.verbosity = 0;
    return finish(in);
  }
  rewind(in);
  switch (choice % 5) {
    case 0: {
      // The symbol file's object names a description: the same bytes.
      FILE *sdb = fopen((base + ".sdb").c_str(), "w");
      if (sdb) {
        fwrite(text.data(), 1, text.size(), sdb);
        fclose(sdb);
      }
      symfile_identify(in);
      rewind(in);
      std::string named = base + ".obj\n" + text;
      FILE *sym = fmemopen(named.data(), named.size(), "r");
      if (sym) {
        symfile_read(sym, "fuzz.sym");
        fclose(sym);
      }
      break;
    }
    case 1:
      ihex_identify(in);
      rewind(in);
      ihex_read(in, "fuzz.hex");
      break;
    case 2:
      srec_identify(in);
      rewind(in);
      srec_read(in, "fuzz.s19");
      break;
    case 3:
      titxt_identify(in);
      rewind(in);
      titxt_dump(in);
      break;
    default: {
      FILE *sdb = fopen((base + ".sdb").c_str(), "w");
      if (sdb) {
        fwrite(text.data(), 1, text.size(), sdb);
        fclose(sdb);
        sdb_load((base + ".obj").c_str());
      }
      break;
    }
  }
  return finish(in);
}
