       IDENTIFICATION DIVISION.
       PROGRAM-ID. EGENAPP.
      *> The end-to-end test's application: one call of panel EGEN, whose
      *> copybook and EDITMASK program dsgn32 generated from panel text.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "KVINIT.CPY".
       COPY "KVFUNC.CPY".
       COPY "EGEN.COB".
       01  SHOW-KEY                    PIC -(4)9.
       01  SHOW-FIELD                  PIC Z(4)9.
       PROCEDURE DIVISION.
           MOVE "Generator test" TO KV-INIT-TITLE
           CALL "KORVEXAN" USING KV-INIT-BLOCK OMITTED OMITTED OMITTED
           MOVE 12.5 TO E-AMOUNT
           CALL "KORVEXAN" USING EGEN-PANEL EGEN-PASS-TO-EXIT
                                 EGEN-WORK-S EGEN-WORK-D
           MOVE EGEN-EXIT-KEY TO SHOW-KEY
           MOVE EGEN-CURSOR-FIELD TO SHOW-FIELD
           DISPLAY "exit key" SHOW-KEY ", cursor field" SHOW-FIELD
           DISPLAY "name [" E-NAME "] code [" E-CODE "] amount "
                   E-AMOUNT " ok [" E-OK "]"
           MOVE 15 TO KV-FUNCTION
           CALL "KORVEXAN" USING KV-FUNCTION KV-UNUSED OMITTED OMITTED
           STOP RUN.
