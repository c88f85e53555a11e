// Relocated listings: a LISTRELOC record names the assembler's relocatable
// listing, which the third pass turns into the final listing text.
#pragma once

void listing_rewrite();
