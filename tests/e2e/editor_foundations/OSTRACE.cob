       IDENTIFICATION DIVISION.
       PROGRAM-ID. OSTRACE.
      *> With SCR_WXXX=LOG the services write their trace lines to the
      *> event log: "Program started" on the first call, the service and
      *> its arguments, and the failure with the system's error text.
       ENVIRONMENT DIVISION.
       INPUT-OUTPUT SECTION.
       FILE-CONTROL.
           SELECT LOG-FILE ASSIGN TO "KORVEXAN.LOG"
               ORGANIZATION IS LINE SEQUENTIAL.
       DATA DIVISION.
       FILE SECTION.
       FD  LOG-FILE.
       01  LOG-LINE                    PIC X(227).
       WORKING-STORAGE SECTION.
       01  NAME-A                      PIC X(255) VALUE "missing.txt".
       01  RESULT                      PIC S9(9) COMP-5.
       01  LINE-NO                     PIC 99 VALUE 0.
       01  AT-END-FLAG                 PIC X VALUE "N".
       PROCEDURE DIVISION.
           CALL "SCR_DELETEFILE" USING NAME-A RESULT
           OPEN INPUT LOG-FILE
           PERFORM UNTIL AT-END-FLAG = "Y"
               READ LOG-FILE
                   AT END MOVE "Y" TO AT-END-FLAG
                   NOT AT END
                       ADD 1 TO LINE-NO
                       IF LINE-NO > 2
                           DISPLAY LOG-LINE(7:9) "|"
                               FUNCTION TRIM(LOG-LINE(43:120) TRAILING)
                       END-IF
               END-READ
           END-PERFORM
           CLOSE LOG-FILE
           STOP RUN.
