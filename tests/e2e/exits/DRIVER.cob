      *> A COBOL program that is active while the runtime calls an exit:
      *> its CALL passes one argument, as the last CALL before an exit
      *> may.
       IDENTIFICATION DIVISION.
       PROGRAM-ID. DRIVER.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01 WS-ONE PIC X VALUE "1".
       PROCEDURE DIVISION.
           CALL "RUNEXIT" USING WS-ONE
           GOBACK.
