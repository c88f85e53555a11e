/* csmith seed 218, not reduced yet; its structures hold const and const volatile members.  Options:   --seed 218 --no-longlong --no-math64 --no-argc --no-inline-function --no-packed-struct --no-float --no-bitfields --quiet --concise --max-funcs 3 --max-array-dim 2 --max-array-len-per-dim 3 --max-block-depth 3 --max-block-size 3 --max-expr-complexity 6 --max-struct-fields 4 --max-union-fields 3 --max-pointer-depth 2 -o raw.c */

#define NO_LONGLONG

#include "csmith.h"


static long __undefined;


struct S0 {
   int16_t  f0;
   uint8_t  f1;
};

struct S1 {
   const volatile int8_t  f0;
   uint16_t  f1;
};

struct S2 {
   const volatile struct S0  f0;
   volatile int32_t  f1;
   uint8_t  f2;
};

struct S3 {
   int32_t  f0;
};

struct S4 {
   struct S1  f0;
   volatile int8_t  f1;
};

struct S5 {
   volatile struct S0  f0;
   volatile uint16_t  f1;
   const struct S4  f2;
};


static int32_t g_3 = (-3);
static uint16_t g_28[3][1] = {{0xD635},{0xD635},{0xD635}};
static int32_t g_32 = (-1);
static uint32_t g_33 = 0x9611CA4B;
static volatile uint32_t g_36[2][3] = {{3U,1U,3U},{3U,1U,3U}};
static const struct S1 g_47 = {0x75,65535U};
static int16_t g_48 = 0x1F8B;
static struct S5 g_51 = {{4,0xAB},0x6969,{{0x96,1U},-1}};
static const int32_t g_57 = 0x5CFE74D0;
static uint8_t g_60 = 1U;
static int32_t g_65 = 0x24CED0F2;
static struct S4 g_66 = {{0x90,0xA0D1},-1};
static struct S2 g_67 = {{-1,0xA9},0xCAD959FC,0x95};
static uint32_t g_85 = 4294967286U;
static struct S2 *g_88 = &g_67;
static struct S2 ** volatile g_87 = &g_88;
static volatile struct S5 g_98 = {{6,0U},1U,{{0xCA,0x2BF2},0x77}};
static int32_t g_100 = 0;
static uint32_t g_103 = 0xCD927889;
static int32_t *g_110 = &g_32;
static volatile int32_t g_119 = 0x77D20874;
static int16_t g_120 = (-1);
static int32_t g_121 = 0x7AD419A6;
static int32_t g_123 = (-1);
static int16_t g_124 = (-1);
static int16_t g_125 = 0x9DC6;
static volatile int32_t g_126[2][1] = {{0x57F44240},{0x57F44240}};
static int16_t g_127 = (-1);



static uint8_t  func_1(void);
static uint32_t  func_19(uint16_t  p_20, uint8_t  p_21, struct S3  p_22, const uint16_t  p_23, uint32_t  p_24);
static struct S2  func_42(int32_t * p_43, struct S0  p_44, int32_t  p_45);




static uint8_t  func_1(void)
{ 
    uint8_t l_2[3];
    struct S3 l_29[1] = {{0x89EC0021}};
    int32_t l_106 = 0x3E4BC467;
    int32_t l_122[3][3];
    uint8_t l_128[1][3];
    int i, j;
    for (i = 0; i < 3; i++)
        l_2[i] = 0x63;
    for (i = 0; i < 3; i++)
    {
        for (j = 0; j < 3; j++)
            l_122[i][j] = (-1);
    }
    for (i = 0; i < 1; i++)
    {
        for (j = 0; j < 3; j++)
            l_128[i][j] = 255U;
    }
    for (g_3 = 0; (g_3 <= 2); g_3 += 1)
    { 
        int32_t l_104[1][1];
        int i, j;
        for (i = 0; i < 1; i++)
        {
            for (j = 0; j < 1; j++)
                l_104[i][j] = 0x6C877778;
        }
    }
    return g_67.f0.f1;
}



static uint32_t  func_19(uint16_t  p_20, uint8_t  p_21, struct S3  p_22, const uint16_t  p_23, uint32_t  p_24)
{ 
    int32_t *l_30 = (void*)0;
    int32_t *l_31[1][3];
    int i, j;
    for (i = 0; i < 1; i++)
    {
        for (j = 0; j < 3; j++)
            l_31[i][j] = &g_32;
    }
    ++g_33;
    for (g_32 = 0; (g_32 <= 0); g_32 += 1)
    { 
        uint32_t l_37[3];
        uint16_t l_99 = 1U;
        int32_t l_101 = 9;
        int i;
        for (i = 0; i < 3; i++)
            l_37[i] = 4U;
        for (p_22.f0 = 0; (p_22.f0 >= 0); p_22.f0 -= 1)
        { 
            struct S0 l_46 = {0x2D16,255U};
            int i, j;
            g_36[1][1] |= 1;
            --l_37[1];
        }
        l_101 ^= (g_65 ^= (((((safe_sub_func_uint16_t_u_u((((g_100 |= ((safe_rshift_func_int8_t_s_s(((((252U < (p_22.f0 || (~(safe_mod_func_uint8_t_u_u(254U, (safe_mul_func_int8_t_s_s((((p_22.f0 == (g_98 , p_20)) == g_57) < 0x3742), (-1)))))))) <= l_99) == g_60) < g_67.f2), 2)) >= p_24)) >= (-10)) , 0xC91E), 0x0561)) >= g_51.f2.f0.f1) ^ g_60) || 0) > 6));
    }
    return p_24;
}



static struct S2  func_42(int32_t * p_43, struct S0  p_44, int32_t  p_45)
{ 
    int16_t l_58 = 0x7597;
    uint16_t *l_61[1][3];
    struct S0 *l_78[1];
    uint16_t **l_84 = &l_61[0][1];
    int i, j;
    for (i = 0; i < 1; i++)
    {
        for (j = 0; j < 3; j++)
            l_61[i][j] = &g_28[1][0];
    }
    for (i = 0; i < 1; i++)
        l_78[i] = (void*)0;
    for (p_44.f1 = 0; (p_44.f1 == 27); p_44.f1 = safe_add_func_int8_t_s_s(p_44.f1, 4))
    { 
        const int32_t **l_54 = (void*)0;
        const int32_t *l_56 = &g_57;
        const int32_t **l_55 = &l_56;
        uint8_t *l_59 = &g_60;
        struct S0 *l_76 = (void*)0;
        if ((((*l_59) &= (((g_51 , ((0x0CA2 >= (((*l_55) = (g_47.f1 , p_43)) == &g_57)) <= 0xC401)) | l_58) , g_28[0][0])) || 0))
        { 
            if (((void*)0 == l_61[0][1]))
            { 
                int32_t *l_64 = &g_65;
                (*l_64) = (safe_lshift_func_uint8_t_u_u(p_44.f1, 0));
                l_64 = (g_66 , p_43);
                return g_67;
            }
            else
            { 
                return g_67;
            }
        }
        else
        { 
            int32_t l_75 = 0xB4341910;
            struct S1 *l_82 = &g_66.f0;
            if (((+((l_58 >= g_47.f0) && 0U)) | (((safe_rshift_func_int8_t_s_s(p_45, 3)) , (safe_rshift_func_uint8_t_u_s(((*l_59) = (safe_div_func_uint16_t_u_u((0x67 > p_44.f1), l_75))), g_48))) && 0U)))
            { 
                struct S0 **l_77 = (void*)0;
                (*l_55) = &g_3;
                l_78[0] = l_76;
                (*l_55) = p_43;
            }
            else
            { 
                int32_t *l_79 = &g_65;
                (*l_79) = (*p_43);
            }
            for (p_44.f0 = 12; (p_44.f0 >= 14); p_44.f0 = safe_add_func_uint16_t_u_u(p_44.f0, 6))
            { 
                struct S1 **l_83 = &l_82;
                (*l_83) = l_82;
            }
            if (g_36[0][2])
                break;
        }
        g_51.f0 = p_44;
        l_84 = &l_61[0][2];
    }
    return g_67;
}





int main (void)
{
    int i, j;
    int print_hash_value = 0;
    platform_main_begin();
    crc32_gentab();
    func_1();
    transparent_crc(g_3, "g_3", print_hash_value);
    for (i = 0; i < 3; i++)
    {
        for (j = 0; j < 1; j++)
        {
            transparent_crc(g_28[i][j], "g_28[i][j]", print_hash_value);

        }
    }
    transparent_crc(g_32, "g_32", print_hash_value);
    transparent_crc(g_33, "g_33", print_hash_value);
    for (i = 0; i < 2; i++)
    {
        for (j = 0; j < 3; j++)
        {
            transparent_crc(g_36[i][j], "g_36[i][j]", print_hash_value);

        }
    }
    transparent_crc(g_47.f0, "g_47.f0", print_hash_value);
    transparent_crc(g_47.f1, "g_47.f1", print_hash_value);
    transparent_crc(g_48, "g_48", print_hash_value);
    transparent_crc(g_51.f0.f0, "g_51.f0.f0", print_hash_value);
    transparent_crc(g_51.f0.f1, "g_51.f0.f1", print_hash_value);
    transparent_crc(g_51.f1, "g_51.f1", print_hash_value);
    transparent_crc(g_51.f2.f0.f0, "g_51.f2.f0.f0", print_hash_value);
    transparent_crc(g_51.f2.f0.f1, "g_51.f2.f0.f1", print_hash_value);
    transparent_crc(g_51.f2.f1, "g_51.f2.f1", print_hash_value);
    transparent_crc(g_57, "g_57", print_hash_value);
    transparent_crc(g_60, "g_60", print_hash_value);
    transparent_crc(g_65, "g_65", print_hash_value);
    transparent_crc(g_66.f0.f0, "g_66.f0.f0", print_hash_value);
    transparent_crc(g_66.f0.f1, "g_66.f0.f1", print_hash_value);
    transparent_crc(g_66.f1, "g_66.f1", print_hash_value);
    transparent_crc(g_67.f0.f0, "g_67.f0.f0", print_hash_value);
    transparent_crc(g_67.f0.f1, "g_67.f0.f1", print_hash_value);
    transparent_crc(g_67.f1, "g_67.f1", print_hash_value);
    transparent_crc(g_67.f2, "g_67.f2", print_hash_value);
    transparent_crc(g_85, "g_85", print_hash_value);
    transparent_crc(g_98.f0.f0, "g_98.f0.f0", print_hash_value);
    transparent_crc(g_98.f0.f1, "g_98.f0.f1", print_hash_value);
    transparent_crc(g_98.f1, "g_98.f1", print_hash_value);
    transparent_crc(g_98.f2.f0.f0, "g_98.f2.f0.f0", print_hash_value);
    transparent_crc(g_98.f2.f0.f1, "g_98.f2.f0.f1", print_hash_value);
    transparent_crc(g_98.f2.f1, "g_98.f2.f1", print_hash_value);
    transparent_crc(g_100, "g_100", print_hash_value);
    transparent_crc(g_103, "g_103", print_hash_value);
    transparent_crc(g_119, "g_119", print_hash_value);
    transparent_crc(g_120, "g_120", print_hash_value);
    transparent_crc(g_121, "g_121", print_hash_value);
    transparent_crc(g_123, "g_123", print_hash_value);
    transparent_crc(g_124, "g_124", print_hash_value);
    transparent_crc(g_125, "g_125", print_hash_value);
    for (i = 0; i < 2; i++)
    {
        for (j = 0; j < 1; j++)
        {
            transparent_crc(g_126[i][j], "g_126[i][j]", print_hash_value);

        }
    }
    transparent_crc(g_127, "g_127", print_hash_value);
    platform_main_end(crc32_context ^ 0xFFFFFFFFUL, print_hash_value);
    return 0;
}
