       IDENTIFICATION DIVISION.
       PROGRAM-ID. ABORT0.
      *> A panel call before the initialisation call ends the program
      *> with abort reason 0 after its explanation.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  PANEL-RECORD.
           05  PANEL-NAME              PIC X(8) VALUE "EARLY".
           05  FILLER                  PIC X(308) VALUE LOW-VALUES.
       01  WORK-AREA                   PIC X(100) VALUE LOW-VALUES.
       PROCEDURE DIVISION.
           CALL "KORVEXAN" USING PANEL-RECORD WORK-AREA
                                 WORK-AREA WORK-AREA
           DISPLAY "not reached"
           STOP RUN.
