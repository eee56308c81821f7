       IDENTIFICATION DIVISION.
       PROGRAM-ID. MASKAPP.
      *> Initialises the runtime; the log shows which masks it got.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "KVINIT.CPY".
       PROCEDURE DIVISION.
           CALL "KORVEXAN" USING KV-INIT-BLOCK OMITTED OMITTED OMITTED
           DISPLAY "initialised"
           STOP RUN.
