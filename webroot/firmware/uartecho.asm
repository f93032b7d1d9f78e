; Echoes every byte it receives on the serial line and answers a carriage return with a
; prompt; clears an overrun so that a flood from the computer never locks the receiver.

        #include "common.inc"

        org     0x0000
reset_vector
        goto    start

        org     0x0004
        retfie                  ; polled, no interrupts

start
        clock_16mhz
        uart_57600
        call    send_prompt

receive
        banksel RCSTA
        btfss   RCSTA, OERR
        bra     no_overrun
        bcf     RCSTA, CREN     ; the only way out of an overrun
        bsf     RCSTA, CREN
no_overrun
        banksel PIR1
        btfss   PIR1, RCIF
        bra     receive
        banksel RCREG
        movf    RCREG, w
        movwf   0x70
        uart_put
        movf    0x70, w
        xorlw   0x0D
        btfsc   STATUS, Z
        call    send_prompt
        bra     receive

send_prompt
        movlw   0x0A
        uart_put
        movlw   '>'
        uart_put
        movlw   ' '
        uart_put
        return

        end
