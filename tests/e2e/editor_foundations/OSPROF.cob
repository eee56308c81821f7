       IDENTIFICATION DIVISION.
       PROGRAM-ID. OSPROF.
      *> Settings-file entries through SCR_UTIL: write a key, a whole
      *> section, read strings (with defaults and a short buffer) and
      *> whole numbers, delete the section.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  INI-FILE                    PIC X(255).
       01  SECTION-NAME                PIC X(255).
       01  KEY-NAME                    PIC X(255).
       01  KEY-VALUE                   PIC X(255).
       01  DEFAULT-VALUE               PIC X(255).
       01  SECTION-TEXT                PIC X(255).
       01  READ-VALUE                  PIC X(255).
       01  SHORT-VALUE                 PIC X(8).
       01  AFTER-SHORT                 PIC X(8) VALUE "UNTOUCHD".
       01  VALUE-SIZE                  PIC S9(9) COMP-5.
       01  INT-DEFAULT                 PIC S9(9) COMP-5.
       01  RESULT                      PIC S9(9) COMP-5.
       01  SHOW-NUM                    PIC -(9)9.
       PROCEDURE DIVISION.
           STRING "ORDERS.INI" X"00" DELIMITED BY SIZE INTO INI-FILE
           STRING "Panel Editor" X"00" DELIMITED BY SIZE
               INTO SECTION-NAME
           STRING "SourceLibraryName" X"00" DELIMITED BY SIZE
               INTO KEY-NAME
           STRING "ORDERS.PNL" X"00" DELIMITED BY SIZE INTO KEY-VALUE
           CALL "SCR_WRITEPRIVATEPROFILESTRING" USING SECTION-NAME
               KEY-NAME KEY-VALUE INI-FILE RESULT
           MOVE RESULT TO SHOW-NUM
           DISPLAY "write key " SHOW-NUM

           MOVE 255 TO VALUE-SIZE
           STRING "none" X"00" DELIMITED BY SIZE INTO DEFAULT-VALUE
           CALL "SCR_GETPRIVATEPROFILESTRING" USING SECTION-NAME
               KEY-NAME DEFAULT-VALUE READ-VALUE VALUE-SIZE INI-FILE
               RESULT
           MOVE RESULT TO SHOW-NUM
           DISPLAY "read key " SHOW-NUM " ["
               READ-VALUE(1:RESULT) "]"

      *>   A whole section: entries ended by X'00', then X'00'.
           MOVE SPACES TO SECTION-TEXT
           STRING "WindowWidth=640" X"00" "FontHeight=16" X"00"
               "Face=Lucida Console" X"00" X"00"
               DELIMITED BY SIZE INTO SECTION-TEXT
           MOVE SPACES TO SECTION-NAME
           STRING "Korvexan" X"00" DELIMITED BY SIZE INTO SECTION-NAME
           CALL "SCR_WRITEPRIVATEPROFILESECTION" USING SECTION-NAME
               SECTION-TEXT INI-FILE RESULT
           MOVE RESULT TO SHOW-NUM
           DISPLAY "write section " SHOW-NUM

           MOVE SPACES TO KEY-NAME
           STRING "windowwidth" X"00" DELIMITED BY SIZE INTO KEY-NAME
           MOVE -1 TO INT-DEFAULT
           CALL "SCR_GETPRIVATEPROFILEINT" USING SECTION-NAME KEY-NAME
               INT-DEFAULT INI-FILE RESULT
           MOVE RESULT TO SHOW-NUM
           DISPLAY "int " SHOW-NUM
           MOVE SPACES TO KEY-NAME
           STRING "Missing" X"00" DELIMITED BY SIZE INTO KEY-NAME
           CALL "SCR_GETPRIVATEPROFILEINT" USING SECTION-NAME KEY-NAME
               INT-DEFAULT INI-FILE RESULT
           MOVE RESULT TO SHOW-NUM
           DISPLAY "missing int " SHOW-NUM

      *>   The caller states 255 but holds 8: no more than 8 are written.
           MOVE SPACES TO KEY-NAME
           STRING "Face" X"00" DELIMITED BY SIZE INTO KEY-NAME
           CALL "SCR_GETPRIVATEPROFILESTRING" USING SECTION-NAME
               KEY-NAME DEFAULT-VALUE SHORT-VALUE VALUE-SIZE INI-FILE
               RESULT
           MOVE RESULT TO SHOW-NUM
           DISPLAY "short " SHOW-NUM " [" SHORT-VALUE(1:7) "] "
               AFTER-SHORT

      *>   An omitted key deletes the section.
           CALL "SCR_WRITEPRIVATEPROFILESTRING" USING SECTION-NAME
               OMITTED OMITTED INI-FILE RESULT
           MOVE 255 TO VALUE-SIZE
           CALL "SCR_GETPRIVATEPROFILESTRING" USING SECTION-NAME
               KEY-NAME DEFAULT-VALUE READ-VALUE VALUE-SIZE INI-FILE
               RESULT
           DISPLAY "after delete [" READ-VALUE(1:RESULT) "]"
           STOP RUN.
