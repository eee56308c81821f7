       IDENTIFICATION DIVISION.
       PROGRAM-ID. OSFILE.
      *> File entries through SCR_UTIL with names in short items (each
      *> followed by other data that must not become part of the name),
      *> the command line into a short item, the system directory and a
      *> program start.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  NAMES.
           05  NAME-A                  PIC X(12) VALUE "a.txt".
           05  NAME-B                  PIC X(12) VALUE "b.txt".
           05  NAME-C                  PIC X(12) VALUE "c.txt".
           05  NOT-A-NAME              PIC X(12) VALUE "XXXXXXXXXXXX".
       01  FAIL-IF-EXISTS              PIC S9(9) COMP-5.
       01  RESULT                      PIC S9(9) COMP-5.
       01  SHOW-STATE                  PIC S9(9) COMP-5 VALUE 1.
       01  CMD-LINE                PIC X(16).
       01  AFTER-LINE                  PIC X(8) VALUE "UNTOUCHD".
       01  COMMAND                     PIC X(255) VALUE "true".
       01  DIR-BUFFER                  PIC X(300).
       01  DIR-SIZE                    PIC S9(9) COMP-5 VALUE 300.
       01  SHOW-NUM                    PIC -(9)9.
       PROCEDURE DIVISION.
           CALL "SCR_DELETEFILE" USING NAME-A RESULT
           MOVE RESULT TO SHOW-NUM
           DISPLAY "delete missing " SHOW-NUM
           CALL "SYSTEM" USING "echo alpha > a.txt"
           MOVE 1 TO FAIL-IF-EXISTS
           CALL "SCR_COPYFILE" USING NAME-A NAME-B FAIL-IF-EXISTS
               RESULT
           MOVE RESULT TO SHOW-NUM
           DISPLAY "copy " SHOW-NUM
           CALL "SCR_COPYFILE" USING NAME-A NAME-B FAIL-IF-EXISTS
               RESULT
           MOVE RESULT TO SHOW-NUM
           DISPLAY "copy again, fail if exists " SHOW-NUM
           CALL "SCR_MOVEFILE" USING NAME-B NAME-C RESULT
           MOVE RESULT TO SHOW-NUM
           DISPLAY "move " SHOW-NUM
           CALL "SCR_MOVEFILE" USING NAME-A NAME-C RESULT
           MOVE RESULT TO SHOW-NUM
           DISPLAY "move onto existing " SHOW-NUM
           CALL "SCR_DELETEFILE" USING NAME-C RESULT
           MOVE RESULT TO SHOW-NUM
           DISPLAY "delete " SHOW-NUM
           CALL "SCR_DELETEFILE" USING NAME-A RESULT

           CALL "SCR_GETCOMMANDLINE" USING CMD-LINE
           DISPLAY "command line [" CMD-LINE "] " AFTER-LINE

           CALL "SCR_GETWINDOWSDIRECTORY" USING DIR-BUFFER DIR-SIZE
               RESULT
           IF RESULT > 0 AND DIR-BUFFER(RESULT + 1:1) = X"00"
               DISPLAY "directory ok"
           ELSE
               DISPLAY "directory failed"
           END-IF

           CALL "SCR_WINEXEC" USING COMMAND BY VALUE SHOW-STATE
               BY REFERENCE RESULT
           IF RESULT > 31
               DISPLAY "started"
           ELSE
               DISPLAY "not started"
           END-IF
           STOP RUN.
