; Configuration word 2 with the watchdog's enable bit (bit 8) clear, so a
; long run is not reset: the start-up writer programs the chip's default
; value with the bits this symbol holds 0 cleared.
	GLOBAL	__config2
__config2	EQU	0FEFFh
