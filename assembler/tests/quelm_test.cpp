// The assembler as the build uses it: modules with several psects,
// externals and call-graph lines, the driver's start-up module, the code
// generator's line forms, bad input and the command line.
#include <string>
#include <vector>

#include "assembler/tests/quelm_fixture.h"

namespace {

const char *const module_source = R"(	global	_main,_helper,_ext,__Lparam
	global	_alias
_alias	equ	_ext+2
__Lparam	equ	__Lrparam
count	equ	3
	psect	text0,class=CODE,space=0,reloc=2
	file	"main.c"
	line	10
_main:
	call	_helper
	line	11
	movlw	count
	goto	_ext
	psect	text1,class=CODE,space=0,reloc=2
	line	20
_helper:
	movff	?_helper,_main@x
	return
_static:
	return
_main@x	equ	??_main+1
	psect	rbit,class=COMRAM,bit,space=1
_flag:	ds	3
	psect	bss,class=RAM,space=1,size=100h,limit=200h
	align	2
_buf:	ds	10
	signat	_main,8312
	signat	_static,4217
	FNCONF	rparam,??,?
	FNSIZE	_main,2,0
	FNSIZE	_static,1,1
	FNCALL	_main,_helper
	FNCALL	_main,_static
	FNARG	_helper,_static
	FNROOT	_main
	FNBREAK	_isr,intlevel2
	FNALIGN	_a,_b
	FNALIGN	_b,_c
	FNALIGN	_d,_e
	DABS	1,256,2
	end	_main
)";

const char *const module_records = R"(IDENT maps 0,1,2,3 0,1 machine PIC18 version 3.5
PSECT text0 flags 0x10
XPSECT text0 max 0x0 boundary 0x2 selector 0x0 space 0 delta 0 spare 0 attr 0 class CODE
PSECT text1 flags 0x10
XPSECT text1 max 0x0 boundary 0x2 selector 0x0 space 0 delta 0 spare 0 attr 0 class CODE
PSECT rbit flags 0x410
XPSECT rbit max 0x0 boundary 0x0 selector 0x0 space 1 delta 0 spare 0 attr 0 class COMRAM
PSECT bss flags 0x10
XPSECT bss max 0x100 boundary 0x0 selector 0x0 space 1 delta 0 spare 0 attr 0 class RAM
PSECTLIM bss limit 0x200
TEXT text0 offset 0x0 bytes 10 00 EC 00 F0 03 0E 00 EF 00 F0
RELOC 0x0 type 0x31 expr const:0x1 psect:text1 shr low
RELOC 0x2 type 0xFC expr const:0x9 psect:text1 shr
RELOC 0x6 type 0x31 expr const:0x1 sym:_ext shr low
RELOC 0x8 type 0xFC expr const:0x9 sym:_ext shr
TEXT text1 offset 0x0 bytes 8 00 C0 01 F0 12 00 12 00
RELOC 0x0 type 0xEC name ?_helper
RELOC 0x2 type 0xEC name ??_main
TEXT rbit offset 0x3 bytes 0
TEXT bss offset 0xA bytes 0
SYM _main value 0x0 kind 0 global psect text0
SYM _helper value 0x0 kind 0 global psect text1
SYM _ext value 0x0 kind 6 global psect -
SYM __Lparam value 0x0 kind 8 global psect __Lrparam
SYM _alias value 0x2 kind 8 global psect _ext
SYM __Lrparam value 0x0 kind 6 global psect -
SYM count value 0x3 kind 0 psect -
SYM _static value 0x6 kind 7 psect text1
SYM ??_main value 0x0 kind 6 global psect -
SYM _flag value 0x0 kind 0 psect rbit
SYM _buf value 0x0 kind 0 psect bss
SYM ?_helper value 0x0 kind 6 global psect -
SYM main.c value 0x0 kind 5 psect -
SYM 10 value 0x0 kind 4 psect text0
SYM 11 value 0x4 kind 4 psect text0
SYM 20 value 0x0 kind 4 psect text1
SIGNAT _main 0x2078
SIGNAT _static 0x1079
FNCONF rparam auto ?? arg ?
FNINFO size _main 2 0
FNINFO size _static 1 1
FNINFO call _main _helper
FNINFO call _main _static
FNINFO argcall _helper _static
FNINFO root _main
FNINFO rootof _isr intlevel2
FNGROUP 1 _a _b _c
FNGROUP 2 _d _e
ABSRANGE space 1 address 0x100 length 0x2
START text0 offset 0x0
END bytes 2
)";

// Psects, externals, equates to externals, call-graph and debug lines map
// onto the records the linker reads.
TEST_F(QuelmTest, ModuleRecords) {
  EXPECT_EQ(assemble("module", module_source), module_records);
  // Without local symbols: the locals named by call-graph lines stay.
  std::string lean = assemble("lean", module_source, "-x");
  EXPECT_EQ(lean.find("SYM count"), std::string::npos);
  EXPECT_EQ(lean.find("SYM _flag"), std::string::npos);
  EXPECT_NE(lean.find("SYM _static value 0x6 kind 7"), std::string::npos);
}

TEST_F(QuelmTest, LongCodeIsSplitWithItsRelocations) {
  std::string source = "\tpsect\ttext,class=CODE,reloc=2\n";
  for (int i = 0; i < 200; i++) source += "\tcall\t_f" + std::to_string(i % 7) + "\n";
  std::string text = assemble("long", source);
  // Each TEXT record is followed by the RELOC record of its own fields:
  // two per call, at offsets counted from that record.
  size_t texts = 0, pos = 0;
  while ((pos = text.find("TEXT text offset", pos)) != std::string::npos) {
    texts++;
    size_t next = text.find("\nTEXT", pos + 1);
    std::string piece = text.substr(pos, next == std::string::npos ? std::string::npos : next - pos);
    size_t bytes = std::stoul(piece.substr(piece.find("bytes ") + 6));
    size_t relocs = 0;
    for (size_t r = piece.find("RELOC"); r != std::string::npos; r = piece.find("RELOC", r + 1)) relocs++;
    EXPECT_EQ(relocs, bytes / 2) << piece.substr(0, 40);
    EXPECT_EQ(piece.find("RELOC 0x0 "), piece.find("RELOC")) << "offsets start again in each piece";
    pos++;
  }
  EXPECT_GT(texts, 1u);
}

// The prelink form of the run-time start-up module, as the driver writes it.
std::string startup_prelink(int banks) {
  std::string s = "\n\t; TOVRA-18 V9.63PL3\n\n\t; Auto-generated runtime startup code for prelink stage.\n\n\t;\n"
                  "\t; Compiler options:\n\t;\n\t; --chip=18F4520 main.c\n\t;\n\n\n";
  s += "\tGLOBAL\t_main,start,_exit\n\tFNROOT\t_main\n\n\tpic18cxx\tequ\t1\n\n";
  const char *psects[] = {
      "config,class=CONFIG,delta=1", "idloc,class=IDLOC,delta=1", "eeprom_data,class=EEDATA,delta=1",
      "const,class=CODE,delta=1,reloc=2", "smallconst,class=SMALLCONST,delta=1,reloc=2",
      "mediumconst,class=MEDIUMCONST,delta=1,reloc=2", "rbss,class=COMRAM,space=1", "bss,class=RAM,space=1",
      "rdata,class=COMRAM,space=1", "irdata,class=CODE,space=0,reloc=2", "bss,class=RAM,space=1",
      "data,class=RAM,space=1", "idata,class=CODE,space=0,reloc=2", "nvram,class=NVRAM,space=1",
      "nvrram,class=COMRAM,space=1", "nvbit,class=COMRAM,bit,space=1", "temp,ovrld,class=COMRAM,space=1",
      "struct,ovrld,class=COMRAM,space=1", "rbit,class=COMRAM,bit,space=1", "bigbss,class=BIGRAM,space=1",
      "bigdata,class=BIGRAM,space=1", "ibigdata,class=CODE,space=0,reloc=2",
      "farbss,class=FARRAM,space=0,reloc=2,delta=1", "fardata,class=FARRAM,space=0,reloc=2,delta=1",
      "ifardata,class=CODE,space=0,reloc=2,delta=1", "reset_vec,class=CODE,delta=1,reloc=2",
      "powerup,class=CODE,delta=1,reloc=2", "intcode,class=CODE,delta=1,reloc=2",
      "intcodelo,class=CODE,delta=1,reloc=2", "intret,class=CODE,delta=1,reloc=2",
      "intentry,class=CODE,delta=1,reloc=2", "intsave_regs,class=BIGRAM,space=1",
      "init,class=CODE,delta=1,reloc=2", "text,class=CODE,delta=1,reloc=2"};
  for (const char *p : psects) {
    s += std::string("\tpsect\t") + p + "\n";
    if (!strncmp(p, "ifardata", 8) || !strncmp(p, "intentry", 8)) s += "\n";
  }
  s += "GLOBAL\tintlevel0,intlevel1,intlevel2\nintlevel0:\nintlevel1:\nintlevel2:\nGLOBAL\tintlevel3\nintlevel3:\n";
  s += "\tpsect\tend_init,class=CODE,delta=1,reloc=2\n\tpsect\tclrtext,class=CODE,delta=1,reloc=2\n\n";
  s += "\tpsect\trparam,class=COMRAM,space=1\n";
  for (int i = 0; i < banks; i++) s += "\tpsect\tparam" + std::to_string(i) + ",class=BANK" + std::to_string(i) + ",space=1\n";
  const char *equates[][2] = {{"wreg", "0FE8h"},     {"fsr0l", "0FE9h"},    {"fsr0h", "0FEAh"},    {"fsr1l", "0FE1h"},
                              {"fsr1h", "0FE2h"},    {"fsr2l", "0FD9h"},    {"fsr2h", "0FDAh"},    {"postinc0", "0FEEh"},
                              {"postdec0", "0FEDh"}, {"postinc1", "0FE6h"}, {"postdec1", "0FE5h"}, {"postinc2", "0FDEh"},
                              {"postdec2", "0FDDh"}, {"tblptrl", "0FF6h"},  {"tblptrh", "0FF7h"},  {"tblptru", "0FF8h"}};
  for (auto &e : equates) s += std::string(e[0]) + "\tEQU\t" + e[1] + "\n";
  s += "tablat\t\tEQU\t0FF5h\n\n";
  s += "\tGLOBAL __accesstop\n__accesstop EQU 96\n";
  s += "\tPSECT\tramtop,class=RAM\n\tGLOBAL\t__S1\t\t\t; top of RAM usage\n\tGLOBAL\t__ramtop\n\tGLOBAL\t__LRAM,__HRAM\n__ramtop:\n\n";
  s += "\tPSECT\treset_vec\nreset_pos:\n";
  s += "\n\tPSECT\tinit\nstart:\n_exit:\n";
  s += "\tgoto\t_main\t\t;go do the main stuff\n";
  s += "\n\tEND\treset_pos\n";
  return s;
}

TEST_F(QuelmTest, StartupModuleOfThePrelink) {
  std::string text = assemble("startup", startup_prelink(6));
  EXPECT_NE(text.find("PSECT param5 flags 0x10\n"), std::string::npos);
  EXPECT_NE(text.find("PSECT temp flags 0x50\n"), std::string::npos);
  EXPECT_NE(text.find("PSECT nvbit flags 0x410\n"), std::string::npos);
  EXPECT_NE(text.find("SYM _main value 0x0 kind 6 global"), std::string::npos);
  EXPECT_NE(text.find("SYM __S1 value 0x0 kind 6 global"), std::string::npos);
  EXPECT_NE(text.find("SYM __accesstop value 0x60 kind 0 global psect -"), std::string::npos);
  EXPECT_NE(text.find("SYM intlevel2 value 0x0 kind 0 global psect text"), std::string::npos);
  EXPECT_NE(text.find("SYM start value 0x0 kind 0 global psect init"), std::string::npos);
  EXPECT_NE(text.find("FNINFO root _main"), std::string::npos);
  EXPECT_NE(text.find("TEXT init offset 0x0 bytes 4 00 EF 00 F0"), std::string::npos);
  EXPECT_NE(text.find("START reset_vec offset 0x0"), std::string::npos);
}

// The final link's module: copying, clearing, configuration words, far data
// and the routines at its end, in every form the driver writes.
TEST_F(QuelmTest, StartupModuleOfTheFinalLink) {
  std::string s = startup_prelink(6);
  s = s.substr(0, s.find("\tPSECT\treset_vec"));
  s += "\n; User config settings for word 1\n;\n\tpsect config\n\torg 0\n\tdw 0xC8FF\n";
  s += "\n; Default config settings for word 2\n;\n\n\tpsect config\n\torg 2\n\tdw 0x1F1F\n";
  s += "\tPSECT\treset_vec\nreset_pos:\n\tGLOBAL\tpowerup\n"
       "\tnop\t; NOP for reset vector (precedes GOTO instruction)\n\tgoto\tpowerup\n";
  s += "\n\tPSECT\tinit\nstart:\n_exit:\n\tdw 0xffff\t; NOP required for 4000/FETCH errata workaround\n"
       "\tclrf\ttblptru ; bootloader safety check\n";
  s += "; fardata psect  - 600 bytes to load\nGLOBAL\t__Lfardata,__Hfardata,__Lifardata,__Lrbss\n"
       "\t; load TBLPTR registers with __Lifardata\n\tmovlw\tlow (__Lifardata)\n\tmovwf\ttblptrl\n"
       "\tmovlw\thigh(__Lifardata)\n\tmovwf\ttblptrh\n\tmovlw\tlow highword(__Lifardata)\n\tmovwf\ttblptru\n"
       "\tlfsr\t0,__Lrbss\n\tlfsr\t2,2\t; loop variable\nfar_copy_loop_2:\n\tlfsr\t1,88\t; loop variable\n"
       "\tcall\tcopy_data\n\t; At this point data image is held in RAM\n\t; now copy this image to external memory\n"
       "\tmovlw\tlow(__Lfardata)\n\tmovwf\tfsr0l\n\tmovlw\thigh(__Lfardata)\n\tmovwf\tfsr0h\n"
       "far_copy_loop:\n\tmovff\tpostinc1,tablat\n\ttblwt\t*+\n\tmovf\tfsr1l,w\n\txorwf\tfsr0l,w\n\tbnz\tfar_copy_loop\n"
       "\tmovf\tfsr1h,w\n\txorwf\tfsr0h,w\n\tbnz\tfar_copy_loop\n"
       "\tmovf\tpostdec2,w\t; decrement counter\n\tmovf\tfsr2l,w\t; check if end-limit reached\n"
       "\tbnz\tfar_copy_loop_2\n\n";
  s += "; farbss psect  - 10 bytes to clear\nGLOBAL\t__Lfarbss,__Hfarbss\n\tclrf\ttablat\n"
       "\tmovlw\tlow(10)\t; loop variable\n\tmovwf\tfsr1l\n\tclrf\tfsr1h\n"
       "far_clear_loop:\n\ttblwt *+\n\tmovf\tpostdec1,w\t; check if end-limit reached\n\tmovf\tfsr1l,w\n"
       "\tbnz\tfar_clear_loop\n\n";
  s += "; data0 psect - 12 bytes to load\nGLOBAL\t__Ldata0,__Lidata0\n\tlfsr\t0,__Ldata0\n"
       "\t; load TBLPTR registers with __Lidata0\n\tmovlw\tlow (__Lidata0)\n\tmovwf\ttblptrl\n"
       "\tmovlw\thigh(__Lidata0)\n\tmovwf\ttblptrh\n\tlfsr\t1,12\t; loop variable\n\tcall\tcopy_data\n"
       "\tclrf\ttblptru\t; Upper address will now be non-zero, maintain clear in cp16 mode\n\n";
  s += "; bigdata psect - 1 bytes to load\n\ttblrd\t*+\n\tmovff\ttablat,postinc0\n\n";
  s += "\tclrf\t2,c\n\tclrf\t1,c\n\tclrf\t0,c\n\tmovlb\t1\n\tclrf\t35,b\n"
       "\tlfsr\t1,254\n\tclrf\tpostinc1,c\n\tclrf\tpostinc1,c\n"
       "\tlfsr\t0,288\n\tmovlw\t40\t; loop counter\nclear_1:\n\tclrf\tpostinc0,c\t; clear, increment FSR0\n"
       "\tdecf\twreg,c\t; decrement loop counter\n\tbnz\tclear_1\n"
       "\tlfsr\t0,512\n\tlfsr\t1,300\n\tcall\tclear_ram\n";
  s += "\tPSECT\tend_init\n\tGLOBAL\t__Lsmallconst\n\tmovlw\tlow highword(__Lsmallconst)\n\tmovwf\ttblptru\n"
       "\tmovlw\thigh(__Lsmallconst)\n\tmovwf\ttblptrh\n";
  s += "\tgoto\t_main\t\t;go do the main stuff\n";
  s += "; Clear these memory locations\nclear_ram:\n\tclrf\tpostinc0\t;clear, increment FSR0\n"
       "\tmovf\tpostdec1,w\t;decrement loop variable\n\tmovf\tfsr1l,w\n\tbnz\tclear_ram\n\tmovf\tfsr1h,w\n"
       "\tbnz\tclear_ram\n\treturn\n";
  s += "; Copy the ROM data image to destination in RAM\ncopy_data:\n\ttblrd\t*+\n\tmovff\ttablat,postinc0\n"
       "\tmovf\tpostdec1,w\t;decrement loop variable\n\tmovf\tfsr1l,w\n\tbnz\tcopy_data\n\tmovf\tfsr1h,w\n"
       "\tbnz\tcopy_data\n\treturn\n";
  s += "\n\tEND\treset_pos\n";
  std::string text = assemble("final", s);
  EXPECT_NE(text.find("TEXT config offset 0x0 bytes 4 FF C8 1F 1F"), std::string::npos) << text;
  EXPECT_NE(text.find("SYM __Lfardata value 0x0 kind 6 global"), std::string::npos);
  // clrf 2,c / 1,c / 0,c; movlb 1; clrf 35,b.
  EXPECT_NE(text.find("02 6A 01 6A 00 6A 01 01 23 6B"), std::string::npos) << text;
}

// Lines in the forms the code generator writes.
TEST_F(QuelmTest, CodeGeneratorLineForms) {
  const char *source = R"(	processor	18F4520
status	equ	0FD8h
wreg	equ	0FE8h
tablat	equ	0FF5h
prodl	equ	0FF3h
prodh	equ	0FF4h
tblptrl	equ	0FF6h
tblptrh	equ	0FF7h
pclath	equ	0FFAh
pcl	equ	0FF9h
	global	__ramtop
	global	__accesstop
        psect   text0,class=CODE,space=0,reloc=2

	opt pm
	opt stack 29
	global	_main
_main:
	movlb	_x>>8	; () unknown bank
	movwf	(_x)&0ffh
	movwf	(_x+1)&0ffh
	movf	(_y),c,w
	bcf status,0
	bsf	(_x)&0ffh, 3+1
	btfsc	status,2
	decfsz	wreg,f
	movff	status+0,??_main+0
	movff	??_main+1,wreg+0
	call	_isr,f	;refresh shadow registers
	pop	; remove dummy address from shadow register refresh
	goto	l30001
l30001:
i2l30002:
	mullw	2
	movlw	low(S30005)
	addwf	prodl,w
	movwf	tblptrl
	movlw	high(S30005)
	addwfc	prodh,w
	movwf	tblptrh
	tblrd	*+
	movf	tablat,w,c
	tblrd	*+
	movff	tablat,pclath
	movwf	pcl,c
	xorlw	3 ^ 0
	bz	l30001
	cpfslt	tblptrl
	bra	l30001
tblrd+*
dw	0FFFFh
	tblwt*-
movlw	7
u300037:
decfsz wreg,f
goto u300037
	nop2	;2 cycle nop
	retfie f
	return
	opt stack 0
GLOBAL __end_of_main
	__end_of_main:
	__size_of_main	equ	__end_of_main-_main
_main@a	equ	??_main+2
	global	??_main
	global	?_main
	psect	switchtable,class=CODE,space=0
S30005:
	dw	l30001;
	dw	i2l30002
	db	low l30001
	db	high l30001
	db	low highword l30001
	psect	smallconst,class=SMALLCONST,space=0,reloc=2
	db	0	;reserve
e1
  fcf     1.5000000000000000
	db	104	;'h'
	db	-1
	db 0	; dummy byte at the end
	psect	struct,common,ovrld,class=COMRAM,space=1
structret:
	ds	4
	psect	intsave_regs,class=BIGRAM,space=1
	file ""
	line	0
	psect	text0
fp_main:

	DABS	1,256,2	;_x
	PSECT	rparam,class=COMRAM,space=1
	GLOBAL	__Lrparam
	FNCONF	rparam,??,?
GLOBAL	___IT
___IT	EQU	5
	GLOBAL	__Labsbss0
__Labsbss0	EQU	256
GLOBAL	__Lparam, __Hparam
GLOBAL	__Lrparam, __Hrparam
__Lparam	EQU	__Lrparam
__Hparam	EQU	__Hrparam
_x	equ	300
_y	equ	5
	end
)";
  std::string text = assemble("gen", source);
  EXPECT_NE(text.find("SYM __Hparam value 0x0 kind 8 global psect __Hrparam"), std::string::npos) << text;
  EXPECT_NE(text.find("SYM __size_of_main value"), std::string::npos);
  EXPECT_NE(text.find("TEXT smallconst offset 0x0 bytes 7 00 00 C0 3F 68 FF 00"), std::string::npos) << text;
  // movlb 300>>8; movwf 2Ch banked; movwf 2Dh banked; movf 5,w,c.
  EXPECT_NE(text.find("TEXT text0 offset 0x0 bytes "), std::string::npos);
  EXPECT_NE(text.find(" 01 01 2C 6F 2D 6F 05 50 D8 90 2C 89 D8 B4 E8 2E"), std::string::npos) << text;
}

// Each error fixture is reported by number, the exit status is 1, and no
// object is left, not even one from an earlier run.
TEST_F(QuelmTest, ErrorsAreReportedAndLeaveNoObject) {
  const std::string code = "\tpsect\ttext,class=CODE,reloc=2\n";
  struct row {
    std::string source;
    unsigned message;
  } rows[] = {
      {code + "\tfoo\t1\n", 3201},
      {code + "\tmovlw\t(1\n", 3202},
      {code + "\tbsf\t10h,8\n", 3203},
      {code + "\tmovwf\t1000h\n", 3203},
      {code + "\tmovlb\t16\n", 3203},
      {code + "\tlfsr\t3,0\n", 3203},
      {code + "\tdw\t10000h\n", 3203},
      {code + "\tmovwf\tX,c\nX\tset\t5\n", 3210},
      {code + "\tmovlw\t'AB'\n", 3202},
      {code + "\tmovlw\t'\\q'\n", 3202},
      {code + "\tdb\t\"abc\n", 3202},
      {code + "\tcall\t200000h\n", 3203},
      {code + "\tbra\t$+2050\n", 3204},
      {code + "\tbz\t$-258\n", 3204},
      {code + "a:\tnop\na:\tnop\n", 3205},
      {code + "x\tequ\t1\nx\tequ\t2\n", 3205},
      {"\tpsect\tp,cluss=CODE\n", 3206},
      {"\tpsect\tp,ovrld=1\n", 3206},
      {"\tpsect\tp,class\n", 3206},
      {"\tpsect\tp,class=CODE\n\tpsect\tp,class=RAM\n", 3207},
      {"\tnop\n", 3208},
      {"lab:\n", 3208},
      {code + "lab:\n\torg\tlab\n", 3209},
      {code + "\torg\tlater\nlater\tequ\t4\n", 3210},
      {code + "\tmovff\t1\n", 3211},
      {code + "\taddwf\t5,w,f\n", 3211},
      {code + "\tnop\t1\n", 3211},
      {code + "\tmovlw\t1/0\n", 3212},
      {code + "\tdb\t1\n\tnop\n", 3213},
      {code + "\tcall\t101h\n", 3213},
      {code + "\tbra\t$+3\n", 3213},
      {code + "\tnop\n\torg\t0\n\tnop\n", 3214},
      {code + "a\tequ\tb\nb\tequ\ta\n\tmovlw\ta\n", 3215},
      {code + "\tglobal\tg\ng\tequ\t_e1-_e2\n", 3216},
      {"\tpsect\tb,bit\n\tnop\n", 3219},
      {code + "\tFNCONF\trparam,??,?\n\tFNCONF\tparam0,??,?\n", 3220},
      {code + "\tmovwf\t123h,c\n", 3221},
      {code + "lab:\n\tbsf\t10h,lab\n", 3222},
      {code + "\tclrf\t5,w\n", 3202},
      {code + "\ttblrd\t**\n", 3202},
      {code + "\tend\tx+y\n", 3222},
  };
  for (const row &r : rows) {
    write("bad.as", r.source);
    write("bad.obj", "stale");
    EXPECT_EQ(quelm("-obad.obj bad.as"), 1) << r.source;
    EXPECT_NE(errors().find("(" + std::to_string(r.message) + ")"), std::string::npos)
        << r.source << "\n" << errors();
    EXPECT_NE(errors().find("bad.as: "), std::string::npos) << errors();
    EXPECT_FALSE(exists("bad.obj")) << r.source;
  }
}

// A "set" symbol is read with the value it has at the line that uses it,
// in instructions, data, equates and the expressions of later "set"s.
TEST_F(QuelmTest, SetSymbolsTakeTheValueOfTheirLine) {
  std::string text = assemble("set", R"(	psect	text,class=CODE,reloc=2
R_VAR	set	31h
	movwf	R_VAR, c
early	equ	R_VAR+later
R_VAR	set	R_VAR+1
	movwf	R_VAR, c
	db	R_VAR, early
	movlw	early
R_VAR	set	60h
later	equ	2
)");
  // movwf 31h / movwf 32h / db 32h, 33h / movlw 33h.
  EXPECT_NE(text.find("bytes 8 31 6E 32 6E 32 33 33 0E"), std::string::npos) << text;
}

// Character constants with C escapes stand for their codes in operands and
// data; a string in db stands for its bytes, quotes hiding "," and ";".
TEST_F(QuelmTest, CharacterConstantsAndStrings) {
  std::string text = assemble("chars", R"(	psect	text,class=CODE,reloc=2
	movlw	'A'
	movlw	';'	; a comment
	addlw	','+1
	db	1, 2, 3, 'A', 0FFh, '\n', '\x7f', '\101', '\'', '\\', '"'
	db	"a,b;\"c\0", 0
)");
  EXPECT_NE(text.find("bytes 25 41 0E 3B 0E 2D 0F 01 02 03 41 FF 0A 7F 41 27 5C 22 61 2C 62 3B 22 63 00 00"),
            std::string::npos)
      << text;
}

// A byte literal outside -128..255 is warned about and its low byte used;
// other fields that overflow stay errors that name their range.
TEST_F(QuelmTest, ByteLiteralsOutOfRangeAreTruncated) {
  std::string text = assemble("bytes", "\tpsect\ttext,class=CODE,reloc=2\n"
                                       "\taddlw\t-200\n\tmovlw\t256\n\tretlw\t-1\n\tdb\t300, -129, -128\n");
  EXPECT_NE(text.find("bytes 9 38 0F 00 0E FF 0C 2C 7F 80"), std::string::npos) << text;
  for (const char *line : {"2: (3225)", "3: (3225)", "5: (3225)"})
    EXPECT_NE(errors().find(line), std::string::npos) << line << "\n" << errors();
  EXPECT_EQ(errors().find("4: (3225)"), std::string::npos) << errors();
  write("field.as", "\tpsect\ttext,class=CODE,reloc=2\n\tmovlb\t16\n");
  EXPECT_EQ(quelm("-ofield.obj field.as"), 1);
  EXPECT_NE(errors().find("(3203) \"16\": value out of range for a literal (0 to 15)"), std::string::npos)
      << errors();
}

TEST_F(QuelmTest, AssemblyGoesOnAfterAnError) {
  write("two.as", "\tpsect\ttext,class=CODE,reloc=2\n\tfoo\n\tnop\n\tmovlb\t300\n");
  EXPECT_EQ(quelm("-otwo.obj two.as"), 1);
  EXPECT_NE(errors().find("two.as: 2: (3201)"), std::string::npos) << errors();
  EXPECT_NE(errors().find("two.as: 4: (3203)"), std::string::npos) << errors();
}

TEST_F(QuelmTest, CommandLine) {
  const std::string source = "\tprocessor\t18F2220\n\tpsect\ttext,class=CODE,reloc=2\n\tmovwf\t0F70h\n";
  write("cmd.as", source);
  // Default output name; the default split of the access bank at 0F60h.
  ASSERT_EQ(quelm("cmd.as"), 0) << errors();
  std::string text;
  ASSERT_TRUE(objdump_path(path("cmd.obj").c_str(), &text));
  EXPECT_NE(text.find("bytes 2 70 6E"), std::string::npos) << text;

  // A chip whose access RAM ends at 7Fh puts 0F70h in the banked part,
  // named on the command line or by the processor directive.
  write("chips.ini", "ARCH=PIC18\nCOMMON=0-5F\n[18F2220]\nCOMMON=0-7F\n[18F4520]\nRAMSIZE=600\n");
  for (const char *args : {"-Cchips.ini -18F2220 -ocmd.obj cmd.as", "-Cchips.ini -ocmd.obj cmd.as"}) {
    ASSERT_EQ(quelm(args), 0) << errors();
    text.clear();
    ASSERT_TRUE(objdump_path(path("cmd.obj").c_str(), &text));
    EXPECT_NE(text.find("bytes 2 70 6F"), std::string::npos) << args << "\n" << text;
  }
  // A chip of the defaults' COMMON range; an unknown chip.
  ASSERT_EQ(quelm("-Cchips.ini -4520 -ocmd.obj cmd.as"), 0) << errors();
  EXPECT_EQ(quelm("-Cchips.ini -18F9999 -ocmd.obj cmd.as"), 1);
  EXPECT_NE(errors().find("(3218)"), std::string::npos) << errors();

  // The driver's other options; -a writes the source back.
  ASSERT_EQ(quelm("-v -x -E1 -n -o --opt=speed -ver=V9.63PL3 -a -ocopy.as -llist.lst cmd.as"), 0) << errors();
  EXPECT_EQ(read("copy.as"), source);
  EXPECT_NE(read("list.lst").find("movwf\t0F70h"), std::string::npos);
  EXPECT_NE(read("list.lst").find("6E70"), std::string::npos) << read("list.lst");

  struct row {
    const char *args;
    unsigned message;
  } rows[] = {{"-Q cmd.as", 168}, {"", 3217}, {"a.as b.as", 3217}, {"missing.as", 141}};
  for (const row &r : rows) {
    EXPECT_EQ(quelm(r.args), 1) << r.args;
    EXPECT_NE(errors().find("(" + std::to_string(r.message) + ")"), std::string::npos) << r.args << errors();
  }
}

}  // namespace
