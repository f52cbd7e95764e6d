; Test fixture for the HEX reader: code in three program-memory pages and a
; table of raw words, so that both of gpasm's HEX formats have several
; records at scattered addresses. Rebuilt by make-fixtures beside this file.
        processor p16f877
        radix hex
        include "p16f877.inc"

        org 0x0000
        clrf    PCLATH
        goto    main

        org 0x0010
main:
        movlw   0x5A
        movwf   PORTB
        bsf     PCLATH, 3
        call    far_routine
        bcf     PCLATH, 3
        goto    main

        org 0x0800
far_routine:
        movlw   0x30
        addwf   PORTB, F
        return

        org 0x1E00
table:
        dw      0x0000, 0x3FFF, 0x2AAA, 0x1555, 0x0001, 0x2000, 0x308A, 0x1234
        dw      0x0011, 0x0022, 0x0033, 0x0044, 0x0055, 0x0066, 0x0077, 0x0088
        dw      0x0099

        org 0x1EFF
        dw      0x3ABC

        end
