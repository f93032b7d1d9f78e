; Blinks an LED on RB0 two or three times a second: the smallest program that shows a freshly
; loaded station is alive.

        #include "common.inc"

        cblock  0x70            ; common RAM, reachable from every bank
        count0, count1, count2
        endc

        org     0x0000
reset_vector
        goto    start

        org     0x0004
        retfie                  ; no interrupts are enabled

start
        clock_16mhz
        banksel ANSELB
        clrf    ANSELB
        banksel LATB
        clrf    LATB
        banksel TRISB
        bcf     TRISB, 0

toggle
        banksel LATB
        movlw   0x01
        xorwf   LATB, f
        call    delay_200ms
        bra     toggle

; 4 x 256 x 256 passes of a 3-cycle loop at 4 MIPS: about 200 ms.
delay_200ms
        movlw   d'4'
        movwf   count2
        clrf    count1
        clrf    count0
delay_loop
        decfsz  count0, f
        bra     delay_loop
        decfsz  count1, f
        bra     delay_loop
        decfsz  count2, f
        bra     delay_loop
        return

        end
