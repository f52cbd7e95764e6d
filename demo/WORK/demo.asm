; Demo firmware for trying the programmer without a radio maker's files.
; It is NOT radio firmware: it only shows a version number on PORTB and
; then counts on PORTD. Assembled three times, once per standard file name,
; with VERSION set to 0x41, 0x60 or 0x61 (see scripts/make-demo-firmware).
;
; Program memory only: no __CONFIG or __IDLOCS, because firmware files may
; not carry the configuration word or ID locations, and nothing is placed in
; the frequency page at 0x1F00, which the programmer fills in itself.

        processor p16f877
        radix hex
        include "p16f877.inc"

#ifndef VERSION
#define VERSION 0x41
#endif

count_lo equ 0x20
count_hi equ 0x21

        org 0x0000
reset:
        clrf    PCLATH
        goto    start

        org 0x0004
isr:
        retfie

start:
        bsf     STATUS, RP0         ; bank 1: make ports B and D outputs
        clrf    TRISB
        clrf    TRISD
        bcf     STATUS, RP0
        movlw   VERSION
        movwf   PORTB
        clrf    PORTD
loop:
        call    delay
        incf    PORTD, F
        goto    loop

delay:
        clrf    count_lo
        clrf    count_hi
delay_inner:
        decfsz  count_lo, F
        goto    delay_inner
        decfsz  count_hi, F
        goto    delay_inner
        return

        end
