#include "SecretStore.h"

#include "KeychainSecretStore.h"
#include "Registry.h"

SecretStore &SecretStore::keyring()
{
    static KeychainSecretStore real;
    return Registry<SecretStore>::get(real);
}

void SecretStore::setKeyring(SecretStore *store)
{
    Registry<SecretStore>::set(store);
}
