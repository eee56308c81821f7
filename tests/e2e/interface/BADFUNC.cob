       IDENTIFICATION DIVISION.
       PROGRAM-ID. BADFUNC.
      *> Invalid function calls abort with reason 32: an unknown
      *> number, a time-out block that is on without a time, and a
      *> global postkeystroke block that is on with a blank name.
      *> The case is chosen by the environment variable BADFUNC.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "KVINIT.CPY".
       COPY "KVFUNC.CPY".
       01  CASE-NAME                   PIC X(10).
       01  TIMEOUTS.
           05  TO-ON                   PIC X VALUE "Y".
           05  TO-WARN                 PIC X VALUE "N".
           05  TO-WARN-SECS            PIC S9(4) COMP-5 VALUE 0.
           05  TO-SECS                 PIC S9(4) COMP-5 VALUE 0.
           05  TO-CHAR                 PIC S9(4) COMP-5 VALUE 0.
           05  TO-FUNC                 PIC S9(4) COMP-5 VALUE 61.
           05  TO-REPEAT-SECS          PIC S9(4) COMP-5 VALUE 0.
           05  TO-REPEAT-CHAR          PIC S9(4) COMP-5 VALUE 0.
           05  TO-REPEAT-FUNC          PIC S9(4) COMP-5 VALUE 0.
       01  POSTKEY.
           05  PK-ON                   PIC X VALUE "Y".
           05  PK-NAME                 PIC X(8) VALUE SPACES.
       PROCEDURE DIVISION.
           ACCEPT CASE-NAME FROM ENVIRONMENT "BADFUNC"
           CALL "KORVEXAN" USING KV-INIT-BLOCK OMITTED
                                 OMITTED OMITTED
           EVALUATE CASE-NAME
             WHEN "NUMBER"
               MOVE 20 TO KV-FUNCTION
               CALL "KORVEXAN" USING KV-FUNCTION OMITTED
                                     OMITTED OMITTED
             WHEN "TIMEOUT"
               MOVE 12 TO KV-FUNCTION
               CALL "KORVEXAN" USING KV-FUNCTION TIMEOUTS
                                     OMITTED OMITTED
             WHEN "POSTKEY"
               MOVE 14 TO KV-FUNCTION
               CALL "KORVEXAN" USING KV-FUNCTION POSTKEY
                                     OMITTED OMITTED
           END-EVALUATE
           DISPLAY "not reached"
           STOP RUN.
