; Sends a long test pattern on the serial line, forever. The pattern is a table that fills
; most of the program memory, so this program's hex file is as large as a full station
; firmware and exercises long uploads and downloads.

        #include "common.inc"

TABLE_START     equ     0x0100
TABLE_WORDS     equ     0x3000          ; 12288 of the 16384 words

        org     0x0000
reset_vector
        goto    start

        org     0x0004
        retfie                  ; polled, no interrupts

start
        clock_16mhz
        uart_57600

restart_table
        ; FSR addresses at 0x8000 and above read program memory (low byte of each word).
        movlw   low (TABLE_START | 0x8000)
        movwf   FSR0L
        movlw   high (TABLE_START | 0x8000)
        movwf   FSR0H
next_byte
        moviw   FSR0++
        uart_put
        movlw   high ((TABLE_START + TABLE_WORDS) | 0x8000)
        xorwf   FSR0H, w
        btfss   STATUS, Z
        bra     next_byte
        bra     restart_table

; A 16-bit linear congruential sequence; the low byte of each word is sent, the upper six
; bits vary too so that the hex file is not a run of identical records.
        org     TABLE_START
; The assembler allows at most 256 passes per loop, hence the two levels.
        variable seed = 0x1D2F
        variable block = 0
        while block < TABLE_WORDS / d'256'
        variable i = 0
        while i < d'256'
seed = (seed * d'25173' + d'13849') & 0xFFFF
        dw      seed & 0x3FFF
i += 1
        endw
block += 1
        endw

        end
