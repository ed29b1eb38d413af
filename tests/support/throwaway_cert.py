"""A self-signed certificate for 127.0.0.1 and localhost, made once per folder."""
import os
import subprocess


def make_certificate(folder):
    cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
    if not os.path.exists(cert):
        os.makedirs(folder, exist_ok=True)
        subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                        "-nodes", "-keyout", key + ".tmp", "-out", cert + ".tmp", "-days", "2", "-subj",
                        "/CN=localhost", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"],
                       check=True, capture_output=True)
        os.rename(key + ".tmp", key)
        os.rename(cert + ".tmp", cert)
    return cert, key
