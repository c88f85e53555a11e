/* csmith seed 10054, not reduced yet; the union copy l_15 = l_14 on the left of a comma inside the arguments of nested calls (line 66) is left out, so g_21 = l_15.f1 reads the old value.  Options:   --seed 10054 --no-longlong --no-math64 --no-argc --no-inline-function --no-packed-struct --no-float --no-bitfields --quiet --concise --max-funcs 3 --max-array-dim 2 --max-array-len-per-dim 3 --max-block-depth 3 --max-block-size 3 --max-expr-complexity 6 --max-struct-fields 4 --max-union-fields 3 --max-pointer-depth 2 -o raw.c */

#define NO_LONGLONG

#include "csmith.h"


static long __undefined;


union U0 {
   uint32_t  f0;
   uint32_t  f1;
   uint32_t  f2;
};

union U1 {
   volatile int32_t  f0;
   const uint32_t  f1;
};


static const int32_t g_12 = 7;
static int32_t g_21 = 0x75A592C6;
static int32_t g_29 = 1;
static int32_t *g_28 = &g_29;
static int32_t g_40 = 1;
static int32_t *g_39 = &g_40;
static volatile union U1 g_64 = {-8};
static uint8_t g_69 = 250U;
static uint32_t g_71[3] = {1U,1U,1U};
static int8_t g_74 = (-1);
static int8_t g_75 = (-1);
static volatile int32_t g_90 = 0x07DECC76;
static volatile uint16_t g_91 = 0U;
static uint16_t g_120 = 5U;
static union U0 g_123 = {0x123FB112};
static int32_t g_125 = (-8);



static int8_t  func_1(void);
static const int32_t * func_2(int32_t * p_3, int32_t * p_4, uint8_t  p_5);
static int32_t * func_6(const int32_t * p_7, int32_t  p_8, int8_t  p_9, int32_t * p_10);




static int8_t  func_1(void)
{ 
    const int32_t *l_11 = &g_12;
    const int32_t **l_13 = &l_11;
    union U0 l_14 = {4294967287U};
    union U0 l_15 = {7U};
    int32_t *l_20[2];
    int32_t l_24[2];
    uint16_t l_25 = 0x74A6;
    uint32_t l_26 = 4294967295U;
    int32_t l_27[3][2] = {{0x5D5EC7E0,0x467BB1A8},{0x467BB1A8,0x5D5EC7E0},{0x467BB1A8,0x467BB1A8}};
    int32_t **l_38 = &g_28;
    int i, j;
    for (i = 0; i < 2; i++)
        l_20[i] = &g_21;
    for (i = 0; i < 2; i++)
        l_24[i] = 0xBC1B0FE2;
    (*l_13) = func_2(((*l_38) = func_6(((*l_13) = l_11), (((l_15 = l_14) , g_12) , ((safe_mul_func_int8_t_s_s((((safe_div_func_int8_t_s_s(((g_21 = l_15.f1) && ((l_25 = (l_24[1] = (safe_rshift_func_int8_t_s_u((g_12 < g_21), 2)))) || l_26)), 246U)) , 0xB66EFE0C) == l_27[2][1]), g_12)) == g_12)), g_12, g_28)), g_39, g_40);
    for (l_15.f2 = 2; (l_15.f2 < 16); l_15.f2 = safe_add_func_uint8_t_u_u(l_15.f2, 6))
    { 
        int32_t *l_98 = &l_24[0];
        int32_t l_99 = 0x39521466;
        uint8_t *l_124[3][1];
        int i, j;
        for (i = 0; i < 3; i++)
        {
            for (j = 0; j < 1; j++)
                l_124[i][j] = &g_69;
        }
        for (g_29 = (-6); (g_29 < (-25)); --g_29)
        { 
            int32_t l_112[3][3] = {{0x27DA8976,0x27DA8976,0x27DA8976},{0x53341C0C,0x53341C0C,0x53341C0C},{0x27DA8976,0x27DA8976,0x27DA8976}};
            int8_t *l_113 = (void*)0;
            int i, j;
            l_99 = (&g_29 != (g_12 , (l_98 = ((*l_38) = l_98))));
            (*g_39) = ((*g_28) = ((safe_mul_func_uint16_t_u_u(((1U <= (g_29 , (g_74 = (safe_lshift_func_uint8_t_u_s(((safe_lshift_func_int8_t_s_s((safe_rshift_func_uint8_t_u_u(g_12, 6)), (safe_sub_func_int16_t_s_s((*l_98), ((safe_rshift_func_uint8_t_u_u((((g_64 , g_12) != l_112[0][1]) , g_91), g_29)) | g_69))))) , g_12), (*l_98)))))) > g_71[1]), (*l_98))) < l_112[1][0]));
        }
        (*g_39) = ((0x5E != (g_64 , ((safe_div_func_uint32_t_u_u((safe_mul_func_int16_t_s_s(((**l_38) = (g_120 |= (*l_98))), (g_125 |= (((safe_div_func_int16_t_s_s(g_64.f0, ((((g_123 , 1U) <= g_123.f0) < 0) , g_71[1]))) , (void*)0) == l_124[2][0])))), (*g_39))) > 0x47B41CF2))) > 1);
    }
    return g_64.f0;
}



static const int32_t * func_2(int32_t * p_3, int32_t * p_4, uint8_t  p_5)
{ 
    int16_t l_50 = (-4);
    int32_t l_63 = 0x2D3F5771;
    uint8_t *l_68 = &g_69;
    uint32_t *l_70 = &g_71[1];
    int8_t *l_72 = (void*)0;
    int8_t *l_73 = &g_74;
    int32_t *l_76 = &l_63;
    int32_t *l_77 = (void*)0;
    int32_t *l_78 = (void*)0;
    int32_t *l_79 = &g_29;
    int32_t *l_80 = &g_40;
    int32_t *l_81 = &g_29;
    int32_t *l_82 = (void*)0;
    int32_t *l_83 = &g_40;
    int32_t *l_84 = &g_21;
    int32_t *l_85 = &g_21;
    int32_t *l_86 = &g_29;
    int32_t *l_87 = (void*)0;
    int32_t l_88 = 0x091208AF;
    int32_t *l_89[3][1];
    int i, j;
    for (i = 0; i < 3; i++)
    {
        for (j = 0; j < 1; j++)
            l_89[i][j] = &g_40;
    }
    g_21 ^= (0x3FA8B742 | ((l_63 |= (p_5 < (safe_unary_minus_func_int32_t_s((safe_rshift_func_uint16_t_u_s((safe_add_func_uint16_t_u_u((safe_lshift_func_uint8_t_u_u(((((safe_mul_func_int8_t_s_s(l_50, (safe_div_func_int8_t_s_s((safe_rshift_func_int8_t_s_u((safe_sub_func_int16_t_s_s((((safe_div_func_int8_t_s_s(l_50, (safe_sub_func_uint8_t_u_u((safe_rshift_func_uint16_t_u_u(((((l_50 > 1U) != (*p_4)) >= p_5) && 0), 7)), l_50)))) < g_12) & p_5), g_12)), 5)), g_29)))) | g_29) & p_5) , l_50), 0)), g_12)), p_5)))))) > 0));
    (*p_3) = (((((((*l_73) = (0x8D < (((((*l_70) = (g_64 , (~((((*l_68) &= (((safe_lshift_func_int16_t_s_s(g_64.f1, ((l_63 > (*p_3)) | 1U))) <= l_63) | 0x179E)) & p_5) , 0x4D501105)))) <= p_5) , (-1)) & g_29))) || l_50) ^ l_63) | g_40) <= 0x81D84798) , (*p_4));
    g_91--;
    return p_3;
}



static int32_t * func_6(const int32_t * p_7, int32_t  p_8, int8_t  p_9, int32_t * p_10)
{ 
    int32_t l_36 = 0x6C146DF8;
    int32_t *l_37 = &g_29;
    (*p_10) = (((safe_add_func_int16_t_s_s(((safe_mul_func_int16_t_s_s((((safe_mod_func_int8_t_s_s(((g_21 | (g_12 == ((void*)0 == &p_8))) || 1), (-1))) <= p_9) >= 1U), l_36)) >= l_36), 0x8962)) <= g_12) && p_9);
    return l_37;
}





int main (void)
{
    int i;
    int print_hash_value = 0;
    platform_main_begin();
    crc32_gentab();
    func_1();
    transparent_crc(g_12, "g_12", print_hash_value);
    transparent_crc(g_21, "g_21", print_hash_value);
    transparent_crc(g_29, "g_29", print_hash_value);
    transparent_crc(g_40, "g_40", print_hash_value);
    transparent_crc(g_64.f0, "g_64.f0", print_hash_value);
    transparent_crc(g_64.f1, "g_64.f1", print_hash_value);
    transparent_crc(g_69, "g_69", print_hash_value);
    for (i = 0; i < 3; i++)
    {
        transparent_crc(g_71[i], "g_71[i]", print_hash_value);

    }
    transparent_crc(g_74, "g_74", print_hash_value);
    transparent_crc(g_75, "g_75", print_hash_value);
    transparent_crc(g_90, "g_90", print_hash_value);
    transparent_crc(g_91, "g_91", print_hash_value);
    transparent_crc(g_120, "g_120", print_hash_value);
    transparent_crc(g_123.f0, "g_123.f0", print_hash_value);
    transparent_crc(g_123.f1, "g_123.f1", print_hash_value);
    transparent_crc(g_123.f2, "g_123.f2", print_hash_value);
    transparent_crc(g_125, "g_125", print_hash_value);
    platform_main_end(crc32_context ^ 0xFFFFFFFFUL, print_hash_value);
    return 0;
}
