/*
 * mirell.h - HART master library.
 *
 * libmirell.so makes the computer a HART master on a serial HART modem. It owns
 * the serial port and the HART data link (framing, addressing, line timing,
 * retries, another master and burst devices sharing the loop), a registry of up
 * to 15 detected instruments, one 50-byte data field shared by request and
 * reply, and a burst-data buffer.
 *
 * Calling order
 *   1. InitHartEx(port, primary) or InitHart(port); check GetErrorCode() == 0.
 *      COM port n is the device named by the environment variable MIRELL_COM<n>
 *      when it is set, else /dev/ttyS<n-1>. The device is opened exclusively
 *      (another program holding it, or its advisory lock, makes InitHart fail
 *      with 2) and its settings are restored when the link stops. InitHart
 *      forgets all registered instruments; on a link that already runs on the
 *      same port it only applies the master mode, on another port it moves
 *      the link there, and after ShutDownHart, or after the port vanished
 *      (a modem unplugged), it opens the port again. When it fails with 2,
 *      errno holds the system's reason for the device (ENOENT, EACCES, EBUSY
 *      when another program holds it, ENOTTY when it is no terminal, ...).
 *      HART-IP: when MIRELL_COM<n> is "hart-ip://HOST[:PORT]" (UDP) or
 *      "hart-ip+tcp://HOST[:PORT]" (port 5094 by default), InitHart opens a
 *      HART-IP session with that device, gateway or multiplexer instead, as
 *      the primary or secondary master, asking for a 60 s inactivity time;
 *      the library keeps the session alive while it is open and closes it at
 *      ShutDownHart. A numeric address (IPv4, or IPv6 in brackets) needs no
 *      name server; a host name must be resolved within 3 s. It fails with 2
 *      when the host is not found or cannot be reached, no session initiate
 *      response comes within 2 s (three tries over UDP), or the device
 *      refuses the session; GetErrorMessage then says which, e.g. "The
 *      HART-IP server at 10.0.0.5:5094 did not answer." or "... refused the
 *      session (status 15)." Each transaction is one token-passing request
 *      and the response carrying its sequence number, with the same retries
 *      and codes as on the line: no response within 2.5 s is 1460; an error
 *      or NAK message, a response with a non-zero HART-IP status, or a frame
 *      that is not a slave's ACK to this master (the request echoed by a
 *      gateway, a burst frame, a frame for the other master) in place of it
 *      is 16 "Framing error in incoming message.", and the attempt is retried.
 *      The device may forget the session (a restart, its inactivity time): a
 *      NAK saying so, or two requests or keep-alives in a row that get no
 *      answer at all, make the library initiate a new session before the next
 *      attempt, waiting at most 2 s for it; so a transaction on a session the
 *      device dropped silently goes through at its third attempt. A TCP
 *      connection that drops, or whose device has not taken 64 KB of
 *      requests, is a vanished port. Burst messages come as the device's
 *      published notifications. Line timing (preambles, gaps, carrier keying)
 *      does not apply.
 *      Secure HART-IP: "hart-ip+tls://HOST[:PORT]" (TCP) and
 *      "hart-ip+dtls://HOST[:PORT]" (UDP) open a secure session: the session
 *      initiate goes in the clear with header version 2, the server answers
 *      it in the clear, and then every message (keep-alives and the close
 *      included) goes inside TLS 1.2 or 1.3 over the same TCP connection, or
 *      DTLS 1.2 over the same UDP socket, offering PSK-AES128-GCM-SHA256,
 *      PSK-AES128-CCM and PSK-AES128-CBC-SHA256 (TLS_AES_128_GCM_SHA256 under
 *      TLS 1.3). The pre-shared key comes from the file that the environment
 *      variable MIRELL_HARTIP_PSK_FILE names, read at each InitHart that
 *      opens a secure port: its first line is "IDENTITY KEYHEX", an identity
 *      of 8 to 128 printable characters and a key of 16 or 64 bytes in
 *      hexadecimal, as the gateway is provisioned, e.g.
 *          field-laptop-07 8e1fd3c0a27b4f5e96d0c1b2a3f4e5d6
 *      The key handed to TLS is derived from it as gateways derive it: the
 *      key's lowercase hexadecimal text followed by one zero byte (here the
 *      33 bytes "8e1fd3c0...e5d6" and 0x00). The file must be private to its
 *      owner: one that group or others may read or write is refused, as ssh
 *      refuses a private key. InitHart fails with 2 before anything goes onto
 *      the network when the variable is not set or the file is missing,
 *      open to others ("HART-IP key file mode 0644 is too open (chmod 600
 *      it): FILE") or malformed ("HART-IP key file line 1: key not 32 or 128
 *      hexadecimal digits: FILE"); with 2 when the server answers as a plain
 *      one ("... does not offer security."), has no key yet (status 9, "...
 *      has no key set up (security not initialized).") or does not complete
 *      the handshake; and with 18 when it refuses the identity or key. A
 *      secure port never opens a plain session. A plain port whose server
 *      does not answer says that it may require the secure port ("... did
 *      not answer; it may require hart-ip+tls://."). Inside the secure
 *      session everything above holds; over DTLS a device that answers
 *      neither two requests nor the new session's initiate is taken to have
 *      lost the session's keys too (a restart), and the port to have
 *      vanished, as a dropped TCP connection is. The key goes nowhere but
 *      into the handshake: not into an error text, the trace or errno, and
 *      it is wiped from memory once the handshake is done. The trace holds
 *      the HART-IP messages, never the TLS records. libmirell.so links
 *      libssl and libcrypto (OpenSSL 3) always, whether a secure port is
 *      used or not.
 *   2. Find the instrument: DetectInstrument() (polling address 0),
 *      DetectInstrumentWithShortAddress(n) for n = 0..15, or
 *      DetectInstrumentWithTag(tag). A non-zero result is the instrument handle.
 *      A reply with fewer than the 12 data bytes of an identity (a device of
 *      other firmware, a gateway) registers nothing: the detection fails with
 *      16 "Framing error in incoming message." without retrying, and
 *      GetMessageLength() says how many bytes came.
 *   3. For each command: fill the data field (SetInteger, SetFloat, SetString),
 *      SendLongCommand(command, handle, byteCount) (or SendShortCommand), then
 *      WaitForResponse(), then GetErrorCode(). On 0 read the reply
 *      (GetMessageLength, GetInteger, GetFloat, GetString, GetUnitString). On
 *      another code get the text with GetErrorMessage, or for code 15 with
 *      GetInstrumentError.
 *   4. Optionally ProcessBurstMessages(1), then poll BurstDataUpdated() and
 *      read with the GetBurst* accessors; ProcessBurstMessages(0) stops it.
 *      The accessors reach only the bytes the last burst frame carried
 *      (GetBurstMessageLength, at most 50): a read past them, or before the
 *      first frame, fails with 6 and returns 0, as a read past the data field
 *      does. (Earlier versions returned zeros there and reported no error.)
 *   5. ShutDownHart() before the host unloads the library: it stops and joins
 *      every thread of the library. Unloading does not stop the link by itself.
 *
 * Errors
 *   The library never throws and never aborts on bad arguments. Every call that
 *   can fail first reports 0 "No error" and then overwrites the error state on
 *   failure; the state is read with GetErrorCode() and GetErrorMessage().
 *   A value that cannot be produced is returned as 0.
 *
 *     0     "No error"
 *     2     "Unable to initialize the serial port."
 *     3     "Port gone (unplugged or closed): NAME" (below)
 *     4     "Internal error. The request was incorrectly formatted."
 *           (the link refused the request: it is not running, it still holds
 *           an earlier request, the line gave it no turn within 5 s, the
 *           command is outside 0..255, or the frame would not fit the 50-byte
 *           transmit buffer: preambles + 8 + data bytes for a long frame)
 *     5     "Instrument already detected and registered."
 *     6     "Attempted to read/write outside the maximum valid length of the datafield."
 *           (also a text longer than 36 bytes, and a ManualSendCommand
 *           address outside the data field)
 *     7     "GetInteger/SetInteger reports: Unsupported integer length."
 *     8     "Invalid instrument handle. Cannot address any instrument."
 *           (SendLongCommand reports it with two leading blanks)
 *     9     "Invalid polling address. Instruments must be polled in the short address range 1-15."
 *     10    "No more instruments can be connected in a Multidropped configuration. (Max 15)"
 *     15    "The instrument reported an error by sending non-zero status bytes. (0x%04x)"
 *     16    "Checksum/Parity error in incoming message." (a checksum mismatch,
 *           or a reply byte received with a parity, framing or overrun error)
 *           or "Framing error in incoming message." (the reply broke off, was
 *           not complete within 3.5 s, another station's frame came in its
 *           place, the reply came from another address or named another
 *           command than the request, or the link refused the retry)
 *     17    "No response pending!"
 *     18    "The HART-IP server at HOST:PORT refused the key: wrong identity or key."
 *           (InitHart on a secure HART-IP port: the handshake was refused,
 *           or the server went silent once it had the key)
 *     1460  "Timed out. Instrument didn't reply. "
 *
 *   GetStatusBytes() is response code * 256 + field-device status of the
 *   reply the last WaitForResponse (or detection) took; a time-out or a broken
 *   reply has none and gives 0. Before any, it is that of the last frame the
 *   link received. GetInstrumentError() classifies the same word:
 *   0 no error, 11 device malfunction, 13 a response code, 14 a
 *   command-specific response code (8..15) of the last command sent.
 *
 *   WaitForResponse makes up to four attempts (the first and three retries,
 *   each resending the same request) and reports the outcome of the last.
 *   A retry the link refuses ends its attempt at once with 16 "Framing
 *   error in incoming message.".
 *
 *   When the port vanishes under a running link (a modem unplugged, the
 *   other end of a pseudo-terminal closed, a HART-IP connection dropped),
 *   the sends, the detections and WaitForResponse report 3 at once, without
 *   retrying, until InitHart opens the port again:
 *     3     "Port gone (unplugged or closed): NAME", NAME being the device or
 *           HART-IP address InitHart opened (the text is cut at 100
 *           characters)
 *
 * Blocking
 *   SendLongCommand, SendShortCommand and ManualSendCommand block until the
 *   frame is on the line (the link waits for a quiet line or its turn between
 *   another master and a burst device; it gives up after 5 s and reports 4;
 *   writing the frame to an adapter that stalls takes at most 1 s more). A
 *   frame is never taken as sent, nor the carrier (RTS) dropped, before its
 *   characters can have crossed the line at 1200 baud, 11 bits each, from
 *   the start of the write, whatever the port reports: the reply window
 *   opens only then. On a pseudo-terminal, which has no line, the first
 *   byte of the answer also ends the transmission.
 *   WaitForResponse blocks until the reply, with up to three retries (about
 *   2 s when the instrument does not answer at all). It never blocks for
 *   more than 34 s: each attempt waits at most 3.5 s for its reply (the
 *   longest a device may send, byte count 255, takes about 3 s), and each
 *   retry at most 5 s for its turn on the line, 1 s to write its frame and
 *   0.5 s for the frame to cross the line (3.5 + 3 x 10 = 33.5 s on a line
 *   that is busy or flooded throughout).
 *   The detection functions block for a whole detection: a send and a
 *   WaitForResponse. InitHart opens the port; on a HART-IP address it takes
 *   at most 3 s to find a host by name, 2 s to connect over TCP and 2 s for
 *   the session (a secure one 2 s more for the handshake). Over HART-IP a
 *   send never waits for the network to take the request, except for a new
 *   session as said above (2 s at most), and
 *   WaitForResponse's attempts take at most 2.5 s for the reply plus 2 s for
 *   a new session before each retry (at most 16 s in all).
 *   ShutDownHart and ProcessBurstMessages(0) return once the threads they stop
 *   have ended (within a few tens of milliseconds), whatever the peer does:
 *   a HART-IP session's close goes only if the network takes it at once, so
 *   a device that stopped reading holds nothing; a frame trace's reader
 *   (MIRELL_TRACE naming a FIFO or a terminal) that takes nothing for 20 ms
 *   costs frames, which standard error counts. Every other call returns at
 *   once.
 *
 * Thread safety
 *   The functions are not reentrant and take no lock of their own: a host must
 *   call them from one thread at a time, and treat a whole transaction (fill,
 *   send, wait, read) as one indivisible use of the library. Inside, the
 *   library runs a receive thread, the 10 ms link clock (asleep while the line
 *   is idle) and, when enabled, the burst collector; frames are transmitted on the caller's thread. The burst
 *   collector runs once however often ProcessBurstMessages(1) is called.
 *   ShutDownHart ends all of them, so a host may unload the library right
 *   after it; unloading with the link still running stops it first.
 *
 * Texts
 *   Texts are 8-bit and zero-terminated, in buffers owned by the caller.
 *   GetErrorMessage and GetInstrumentError write at most 100 characters plus
 *   the terminator; GetString writes 4 * ((byteLength + 2) / 3) characters plus
 *   the terminator (byteLength at most 36, so at most 48 + 1; the whole groups
 *   of three bytes must lie inside the data field); GetUnitString at most 30
 *   plus the terminator. A refused call writes nothing into the caller's
 *   buffer and nothing into the data field.
 *
 * Data field
 *   A reply may carry up to 253 data bytes after its two status bytes (byte
 *   count 255); devices of HART 5 send at most 28, HART 7 commands such as
 *   9, 20, 21 and 48 more. A successful WaitForResponse copies the reply's
 *   data into the field: offsets 0..31 always, zeros past the end of the
 *   reply, and as far as offset 49 when the reply is longer than 32 bytes;
 *   offsets the reply does not reach beyond 31 keep what they held. The
 *   field holds no more than the reply's first 50 bytes; GetMessageLength()
 *   gives the reply's true length (0..253), so a host can tell whether it
 *   has the whole reply. After a failure the field still holds the request.
 *
 * Integers of 1 to 4 bytes and IEEE 754 singles in the data field are
 * big-endian. Texts in the data field are HART packed ASCII.
 */
#ifndef MIRELL_H
#define MIRELL_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define MIRELL_API __attribute__((visibility("default")))
#else
#define MIRELL_API
#endif

/* Starting and stopping the link */
MIRELL_API void InitHart(int port);
MIRELL_API void InitHartEx(int port, int primary);
MIRELL_API void ShutDownHart(void);
MIRELL_API int GetMasterMode(void);
MIRELL_API int GetHandle(void);
MIRELL_API int GetDllTicks(void);
MIRELL_API int GetDllVersion(int* major, int* minor, int* release, int* build);

/* Errors */
MIRELL_API int GetErrorCode(void);
MIRELL_API char* GetErrorMessage(char* text);
MIRELL_API int GetInstrumentError(char* text);
MIRELL_API int GetStatusBytes(void);

/* Transactions and the data field */
MIRELL_API int SendLongCommand(int command, int handle, int byteCount);
MIRELL_API int SendShortCommand(int command, int handle, int byteCount);
MIRELL_API void ManualSendCommand(int command, int addressMode, int byteCount, int addressOffset);
MIRELL_API int WaitForResponse(void);
MIRELL_API int GetMessageLength(void);
MIRELL_API unsigned GetInteger(int offset, int length);
MIRELL_API void SetInteger(int offset, int length, unsigned value);
MIRELL_API float GetFloat(int offset);
MIRELL_API void SetFloat(int offset, float value);
MIRELL_API void GetString(int offset, int byteLength, char* text);
MIRELL_API void SetString(int offset, int byteLength, const char* text);
MIRELL_API void GetUnitString(int offset, char* text);

/* Instruments */
MIRELL_API int DetectInstrument(void);
MIRELL_API int DetectInstrumentWithShortAddress(int pollingAddress);
/* DetectInstrumentWithTag packs tag (up to 8 characters, as SetString(0, 6,
 * tag)) into data-field bytes 0..5 and sends command 11 to the broadcast long
 * address, retries included. Only the instrument carrying that tag answers,
 * whatever its polling address; with none, it fails with 1460 after the four
 * attempts and registers nothing. The new entry's polling address is 0: set
 * the instrument's own with SetPollingAddress before SendShortCommand.
 * (Earlier versions sent command 0 to polling address 0, and so took
 * whatever instrument sat there.) */
MIRELL_API int DetectInstrumentWithTag(const char* tag);
MIRELL_API int ForceRegistration(void);
MIRELL_API void ResetInternalRegistry(void);
MIRELL_API void SetPollingAddress(int handle, int address);
MIRELL_API int GetPollingAddress(int handle);

/* Burst data */
MIRELL_API void ProcessBurstMessages(int flag);
MIRELL_API int BurstDataUpdated(void);
MIRELL_API int GetBurstMessageLength(void);
MIRELL_API unsigned GetBurstInteger(int offset, int length);
MIRELL_API float GetBurstFloat(int offset);
MIRELL_API void GetBurstString(int offset, int byteLength, char* text);
MIRELL_API void GetBurstUnitString(int offset, char* text);

#ifdef __cplusplus
}
#endif

#endif /* MIRELL_H */
